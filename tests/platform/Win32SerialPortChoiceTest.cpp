// COM ports on Windows are the system's own names: nothing to choose, no link made, the folder untouched.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/SerialPortChoice.h"

namespace {

TEST(Win32SerialPortChoiceTest, OffersNoChoiceAndWritesNoLink)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.path().toStdString();

    EXPECT_FALSE(SerialPortChoiceAvailable());
    EXPECT_TRUE(ListSerialDevices("C:\\", SystemSerialDeviceFacts(), {}, CurrentUserIdentity()).empty());
    EXPECT_EQ(ReadComEntry(path, 0, "C:\\").Kind, TComEntryKind::None);
    EXPECT_EQ(MakeComLink(path, 0, "\\\\.\\COM1", "C:\\"), TComLinkResult::Unavailable);
    const QDir::Filters everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    EXPECT_TRUE(QDir(folder.path()).entryList(everything).isEmpty());
}

}  // namespace

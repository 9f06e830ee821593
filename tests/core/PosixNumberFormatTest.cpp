// The separator of number texts on Linux: the system locale's, never the process's C locale.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "core/NumberFormat.h"

namespace {

// A process C locale with a comma must not leak into the program's own number texts.
TEST(NumberFormat, IgnoresTheProcessCLocale)
{
    QTemporaryDir localeFolder;
    ASSERT_TRUE(localeFolder.isValid());
    const QString localePath = localeFolder.path() + "/fr_FR.UTF-8";
    if (QProcess::execute("localedef", {"-i", "fr_FR", "-f", "UTF-8", localePath}) != 0) {
        GTEST_SKIP() << "cannot build a French locale here";
    }
    const char savedSeparator = DecimalSeparator;
    const std::string savedNumeric = std::setlocale(LC_NUMERIC, nullptr);
    const char* savedLocPath = std::getenv("LOCPATH");
    const std::string savedLocPathValue = savedLocPath ? savedLocPath : "";
    setenv("LOCPATH", localeFolder.path().toLocal8Bit().constData(), 1);
    const bool switched = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
    const std::string cPoint = std::localeconv()->decimal_point;
    DecimalSeparator = '.';
    long double value = 0;
    const bool pointAccepted = TryStrToFloat("0.5138901", value);
    const bool commaAccepted = TryStrToFloat("0,5", value);
    const std::string fixed = FormatGeneral(12.5L);
    const std::string scientific = FormatGeneral(1.5e8L);
    TryStrToFloat("0.5138901", value);
    std::setlocale(LC_NUMERIC, savedNumeric.c_str());
    DecimalSeparator = savedSeparator;
    if (savedLocPath) {
        setenv("LOCPATH", savedLocPathValue.c_str(), 1);
    } else {
        unsetenv("LOCPATH");
    }
    if (!switched) {
        GTEST_SKIP() << "the French locale did not load";
    }
    ASSERT_EQ(cPoint, ",");
    EXPECT_TRUE(pointAccepted);
    EXPECT_EQ(value, 0.5138901L);
    EXPECT_FALSE(commaAccepted);
    EXPECT_EQ(fixed, "12.5");
    EXPECT_EQ(scientific, "1.5E008");
}

TEST(NumberFormat, SeparatorComesFromTheSystemLocale)
{
    const struct {
        const char* Locale;
        const char* Separator;
    } rows[] = {{"fr_FR.UTF-8", ","}, {"C", "."}, {"en_US.UTF-8", "."}, {"en_GB.UTF-8", "."}};
    for (const auto& row : rows) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", row.Locale);
        environment.insert("TOLVANE_EXPECTED_SEPARATOR", row.Separator);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=NumberFormatChild.ReportsSeparator"});
        ASSERT_TRUE(child.waitForFinished(60000)) << row.Locale;
        EXPECT_EQ(child.exitCode(), 0) << row.Locale << "\n" << child.readAll().toStdString();
    }
}

}  // namespace

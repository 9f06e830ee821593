// The main-window test fixture: fresh folder, clean process-wide state, fakes unless a test swaps one.
#include "support/MainWindowFixture.h"

#include <QLabel>
#include <QLineEdit>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ReadbackSetting.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "platform/DBusDdeClientConv.h"
#include "platform/XcbWindowMessages.h"
#include "support/ProcessState.h"

void TMainWindowFixture::SetUp()
{
    Folder.reset();  // a row that sets up again starts from where the test began
    Folder = std::make_unique<TPortFolder>();
    ResetProcessState();
    // Every window starts with the heading switch off, whatever an earlier test left.
    std::error_code error;
    std::filesystem::remove(ReadbackSettingPath(), error);
}

void TMainWindowFixture::TearDown()
{
    FormInit.reset();
    Form.reset();
    Folder.reset();
}

TForm1& TMainWindowFixture::CreateForm(const std::function<void(TPlatformServices&)>& adjust)
{
    TPlatformServices services = Fakes.Take();
    if (adjust)
        adjust(services);
    Form = std::make_unique<TForm1>(std::move(services));
    return *Form;
}

TFormInit& TMainWindowFixture::CreateSettingsWindow()
{
    FormInit = std::make_unique<TFormInit>(*Form);
    Form->SetFormInit(FormInit.get());
    return *FormInit;
}

void TMainWindowFixture::UseRealDesktopLinks(TPlatformServices& services)
{
    services.WindowMessages = std::make_unique<TXcbWindowMessages>();
    services.DdeClientConv = std::make_unique<TDBusDdeClientConv>();
}

void TMainWindowFixture::WriteConfiguration(const std::vector<std::string>& lines)
{
    std::ofstream file("Tolvane.ini", std::ios::binary);
    for (const std::string& line : lines)
        file << line << "\r\n";
    ConfigFileFound = true;
}

std::vector<std::string> TMainWindowFixture::SavedLines() const
{
    std::ifstream file("Tolvane.ini", std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    std::vector<std::string> lines;
    std::string text = content.str();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void TMainWindowFixture::PressManWith(const std::string& azimuth)
{
    Form->EditAzimut->setText(QString::fromStdString(azimuth));
    Form->ButtonTrackClick();
}

bool TMainWindowFixture::LedLit() const
{
    return !Form->ImageLedOn->isHidden() && Form->ImageLEDOff->isHidden();
}

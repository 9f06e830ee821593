// The main-window test fixture: fresh folder, clean process-wide state, fakes for every service.
#include "support/ProcessState.h"
#include "support/MainWindowFixture.h"

#include <fstream>
#include <sstream>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"

void TMainWindowFixture::SetUp()
{
    Folder = std::make_unique<TPortFolder>();
    ResetProcessState();
}

void TMainWindowFixture::TearDown()
{
    Form.reset();
    Folder.reset();
}

TForm1& TMainWindowFixture::CreateForm()
{
    Form = std::make_unique<TForm1>(Fakes.Take());
    return *Form;
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

// The separator of number texts on Windows: the user's regional settings, read when the program starts.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace {

const char* const InternationalKey = "Control Panel\\International";

// The user's decimal symbol as Control Panel keeps it; "" when none is set. Put back at the end.
class TDecimalSymbol {
public:
    TDecimalSymbol() : Saved(Read()) {}
    ~TDecimalSymbol() { Write(Saved); }
    TDecimalSymbol(const TDecimalSymbol&) = delete;
    TDecimalSymbol& operator=(const TDecimalSymbol&) = delete;

    static std::string Read()
    {
        char value[16] = {};
        DWORD size = sizeof value;
        if (::RegGetValueA(HKEY_CURRENT_USER, InternationalKey, "sDecimal", RRF_RT_REG_SZ, nullptr, value, &size) !=
            ERROR_SUCCESS)
            return {};
        return value;
    }
    static bool Write(const std::string& symbol)
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, InternationalKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) != ERROR_SUCCESS)
            return false;
        const LONG result = symbol.empty()
            ? ::RegDeleteValueA(key, "sDecimal")
            : ::RegSetValueExA(key, "sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>(symbol.c_str()),
                               static_cast<DWORD>(symbol.size() + 1));
        ::RegCloseKey(key);
        return result == ERROR_SUCCESS || (symbol.empty() && result == ERROR_FILE_NOT_FOUND);
    }

private:
    const std::string Saved;
};

TEST(Win32NumberFormat, SeparatorComesFromTheRegionalSettings)
{
    const struct {
        const char* Symbol;
        const char* Separator;
    } rows[] = {{",", ","}, {".", "."}, {"'", "."}};
    TDecimalSymbol restore;
    for (const auto& row : rows) {
        ASSERT_TRUE(TDecimalSymbol::Write(row.Symbol)) << row.Symbol;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TOLVANE_EXPECTED_SEPARATOR", row.Separator);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=NumberFormatChild.ReportsSeparator"});
        ASSERT_TRUE(child.waitForFinished(60000)) << row.Symbol;
        EXPECT_EQ(child.exitCode(), 0) << "decimal symbol " << row.Symbol << "\n"
                                       << child.readAll().toStdString();
    }
}

}  // namespace

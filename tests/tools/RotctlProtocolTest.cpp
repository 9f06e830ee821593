// The bridge's rotctld protocol without sockets: answers as Hamlib's rotctld -m 1 gives them, bad input refused.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "RotctlProtocol.h"

namespace {

struct TExchange {
    const char* Name;
    const char* Line;
    const char* Answer;
    std::vector<double> Published;
};

}  // namespace

TEST(RotctlProtocol, AnswersLineByLine)
{
    // Each row after a fresh "P 90 45"; answers taken from rotctld -m 1 where it gives one.
    const TExchange rows[] = {
        {"set", "P 123.4 10", "RPRT 0\n", {123.4}},
        {"set, long name", "\\set_pos 123.4 10", "RPRT 0\n", {123.4}},
        {"get", "p", "90.00\n45.00\n", {}},
        {"get, long name, CR LF", " \\get_pos\r", "90.00\n45.00\n", {}},
        {"extended set", "+P 90 45", "set_pos: 90 45\nRPRT 0\n", {90}},
        {"extended get", "+p", "get_pos:\nAzimuth: 90.00\nElevation: 45.00\nRPRT 0\n", {}},
        {"one-line get", ";p", "get_pos:;Azimuth: 90.00;Elevation: 45.00;RPRT 0\n", {}},
        {"one-line set", "|P 135 22.5", "set_pos: 135 22.5|RPRT 0\n", {135}},
        {"comma separator", ",\\get_pos", "get_pos:,Azimuth: 90.00,Elevation: 45.00,RPRT 0\n", {}},
        {"two commands", "P 10 0 p", "RPRT 0\n10.00\n0.00\n", {10}},
        {"two extended", ";P 10 0 ;p", "set_pos: 10 0;RPRT 0\nget_pos:;Azimuth: 10.00;Elevation: 0.00;RPRT 0\n", {10}},
        {"negative azimuth", "P -90 0", "RPRT 0\n", {270}},
        {"decimal comma", "P 123,5 0", "RPRT 0\n", {123.5}},
        {"stop refused", "S", "RPRT -11\n", {}},
        {"park refused", "+\\park", "park:\nRPRT -11\n", {}},
        {"stop refused, one line", ";\\stop", "stop:;RPRT -11\n", {}},
        {"info", "_", "Tolvane bridge, commanded position\n", {}},
        {"extended info", "+\\get_info", "get_info:\nInfo: Tolvane bridge, commanded position\nRPRT 0\n", {}},
        {"state for rotctl -m 2", "\\dump_state",
         "1\n1\nmin_az=-360.000000\nmax_az=720.000000\nmin_el=-360.000000\nmax_el=720.000000\nsouth_zero=0\n"
         "rot_type=AzEl\ndone\n", {}},
        {"state, one line", ";\\dump_state",
         "dump_state:;rotctld Protocol Ver: 1;Rotor Model: 1;Minimum Azimuth: -360.000000;Maximum Azimuth: "
         "720.000000;Minimum Elevation: -360.000000;Maximum Elevation: 720.000000;South Zero: 0;rot_type=AzEl;"
         "done;RPRT 0\n", {}},
        {"empty line", " \r", "", {}},
        // Bad input: rotctld waits or stays silent on some of these; the bridge refuses at once.
        {"unknown command stops the line", "X p", "RPRT -1\n", {}},
        {"unknown long name", "\\set_freq 14000000", "RPRT -1\n", {}},
        {"binary junk", "\x01\xff\x7f", "RPRT -1\n", {}},
        {"missing argument", "P 10", "RPRT -1\n", {}},
        {"no argument", "+P", "set_pos:\nRPRT -1\n", {}},
        {"not a number", "P abc 10", "RPRT -1\n", {}},
        {"trailing letters", "P 10abc 0", "RPRT -1\n", {}},
        {"NaN", "P nan 0", "RPRT -1\n", {}},
        {"infinity", "P 10 -inf", "RPRT -1\n", {}},
        {"beyond 720", "+P 720.5 0", "set_pos: 720.5 0\nRPRT -1\n", {}},
        {"below -360", "P -400 0", "RPRT -1\n", {}},
        {"bad set, then good get", "P x 0 p", "RPRT -1\n90.00\n45.00\n", {}},
    };
    for (const TExchange& row : rows) {
        TRotctlProtocol protocol;
        protocol.RunLine("P 90 45");
        std::vector<double> published;
        protocol.OnSetAzimuth = [&](double azimuth) { published.push_back(azimuth); };
        const TRotctlProtocol::TAnswer answer = protocol.RunLine(row.Line);
        EXPECT_EQ(answer.Text, row.Answer) << row.Name;
        EXPECT_EQ(published, row.Published) << row.Name;
        EXPECT_FALSE(answer.Close) << row.Name;
    }
}

TEST(RotctlProtocol, PositionIsTheHeadingReadWhileFreshElseTheCommandedOneOrATimeOut)
{
    using THeading = TRotctlProtocol::THeading;
    using TReadBack = TRotctlProtocol::TReadBack;
    const std::uint64_t now = 100000;
    const char* const read = "position read from the rotator";
    const char* const commanded = "commanded position";
    const char* const timeOut = "RPRT -5\n";
    const struct {
        const char* Name;
        std::optional<TReadBack> ReadBack;
        const char* Position;
        const char* Source;
    } rows[] = {
        {"nobody owns the name", std::nullopt, "90.00\n45.00\n", commanded},
        {"known, fresh", TReadBack{true, THeading{123.456, now - 250}}, "123.46\n45.00\n", read},
        {"known, 3 s old", TReadBack{true, THeading{0.5, now - 3000}}, "0.50\n45.00\n", read},
        {"known, stale", TReadBack{true, THeading{123.4, now - 3001}}, timeOut, read},
        {"known, from the future", TReadBack{true, THeading{123.4, now + 1}}, timeOut, read},
        {"known without a reading", TReadBack{true, std::nullopt}, timeOut, read},
        {"unknown, fresh reading kept", TReadBack{false, THeading{123.4, now - 10}}, timeOut, read},
        {"unknown, never a reading", TReadBack{false, std::nullopt}, timeOut, read},
        {"older Tolvane, fresh", TReadBack{std::nullopt, THeading{200.5, now - 250}}, "200.50\n45.00\n", read},
        {"older Tolvane, stale", TReadBack{std::nullopt, THeading{123.4, now - 3001}}, "90.00\n45.00\n", commanded},
        {"older Tolvane, from the future", TReadBack{std::nullopt, THeading{123.4, now + 1}}, "90.00\n45.00\n", commanded},
    };
    for (const auto& row : rows) {
        TRotctlProtocol protocol;
        protocol.RunLine("P 90 45");
        protocol.ReadBack = [&] { return row.ReadBack; };
        protocol.Now = [&] { return now; };
        EXPECT_EQ(protocol.RunLine("p").Text, row.Position) << row.Name;
        EXPECT_EQ(protocol.RunLine("+\\get_info").Text,
                  std::string("get_info:\nInfo: Tolvane bridge, ") + row.Source + "\nRPRT 0\n")
            << row.Name;
    }
}

TEST(RotctlProtocol, ATimeOutIsFramedAsEveryErrorIs)
{
    const struct {
        const char* Line;
        const char* Answer;
    } rows[] = {
        {"p", "RPRT -5\n"},
        {"\\get_pos", "RPRT -5\n"},
        {"+p", "get_pos:\nRPRT -5\n"},
        {";\\get_pos", "get_pos:;RPRT -5\n"},
        {"|p", "get_pos:|RPRT -5\n"},
        {",p", "get_pos:,RPRT -5\n"},
        // The error ends p alone: the commands after it still run.
        {"p P 10 0 _", "RPRT -5\nRPRT 0\nTolvane bridge, position read from the rotator\n"},
    };
    for (const auto& row : rows) {
        TRotctlProtocol protocol;
        protocol.ReadBack = [] { return TRotctlProtocol::TReadBack{false, std::nullopt}; };
        EXPECT_EQ(protocol.RunLine(row.Line).Text, row.Answer) << row.Line;
    }
}

TEST(RotctlProtocol, QuitEndsTheLineWithoutAnswer)
{
    TRotctlProtocol protocol;
    for (const char* line : {"q", "Q p", "+q"}) {
        const TRotctlProtocol::TAnswer answer = protocol.RunLine(line);
        EXPECT_TRUE(answer.Close) << line;
        EXPECT_EQ(answer.Text, "") << line;
    }
}

TEST(RotctlProtocol, FeedTextIsTheAzimuthInZeroTo360WithTheLocaleSeparator)
{
    const struct {
        double Commanded;
        char Separator;
        const char* Text;
    } rows[] = {
        {123, '.', "123\r\n"},      {123.5, ',', "123,5\r\n"},    {-90, '.', "270\r\n"},
        {360, '.', "0\r\n"},        {720, '.', "0\r\n"},          {-360, '.', "0\r\n"},
        {-0.25, '.', "359.75\r\n"}, {-1e-20, '.', "0\r\n"},       {1e-4, '.', "0\r\n"},
        {359.9999, '.', "0\r\n"}, {123.400002, '.', "123.4\r\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FeedText(NormalizedAzimuth(row.Commanded), row.Separator), row.Text) << row.Commanded;
}

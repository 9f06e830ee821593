// The bridge's line assembly: lines however the bytes are cut, and the bound that drops a client.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LineAssembler.h"

TEST(LineAssembler, CutsLinesAcrossChunksAndDropsALineTooLong)
{
    const std::string longest(TLineAssembler::MaxLineBytes, 'p');
    const struct {
        const char* Name;
        std::vector<std::string> Chunks;
        std::vector<std::string> Lines;
        bool InBounds;  // after the last chunk
    } rows[] = {
        {"one line", {"p\n"}, {"p"}, true},
        {"two in one chunk", {"P 1 0\np\n"}, {"P 1 0", "p"}, true},
        {"cut mid-line", {"P 1", "0 0\n", "p", "\n"}, {"P 10 0", "p"}, true},
        {"byte by byte", {"p", " ", "\r", "\n"}, {"p \r"}, true},
        {"empty lines", {"\n\n"}, {"", ""}, true},
        {"no line end yet", {"P 10 0"}, {}, true},
        {"longest line", {longest, "\n"}, {longest}, true},
        {"longest line waiting", {longest}, {}, true},
        {"a byte more, waiting", {longest + "p"}, {}, false},
        {"a byte more, ended", {"p\n" + longest + "p\n" + "p\n"}, {"p"}, false},
        {"stopped by q, the rest forgotten", {"p\nq\n" + longest + longest}, {"p", "q"}, true},
    };
    for (const auto& row : rows) {
        TLineAssembler assembler;
        std::vector<std::string> lines;
        bool inBounds = true;
        for (const std::string& chunk : row.Chunks)
            inBounds = assembler.Add(chunk, [&](std::string_view line) {
                lines.emplace_back(line);
                return line != "q";
            });
        EXPECT_EQ(lines, row.Lines) << row.Name;
        EXPECT_EQ(inBounds, row.InBounds) << row.Name;
    }
}

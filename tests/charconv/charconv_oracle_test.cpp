// The code and case tables against their sources: the tables regenerated from the Python interpreter's cp932
// codec and Unicode database, and the case tables against that database.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rkcorr/charcode.h"
#include "rkcorr/charconvert.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << command;
    return out;
}

// Codes listed as hex, single ("1E9E") or as spans ("03FD-03FF").
std::set<unsigned> codes(const char* list) {
    std::set<unsigned> out;
    std::istringstream in(list);
    for (std::string item; in >> item;) {
        const size_t dash = item.find('-');
        const unsigned first = std::stoul(item.substr(0, dash), nullptr, 16);
        const unsigned last =
            dash == std::string::npos ? first : std::stoul(item.substr(dash + 1), nullptr, 16);
        for (unsigned c = first; c <= last; ++c) out.insert(c);
    }
    return out;
}

}  // namespace

TEST(CharconvOracle, RegeneratedTablesMatchTheCommittedOnes) {
    char dir[] = "/tmp/rkcorr_charconv_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string src = RKCORR_SOURCE_DIR;
    run(std::string(RKCORR_PYTHON) + " " + src + "/tools/gen_charconv_tables.py " + dir);
    for (const char* name : {"sjis_tables.cpp", "width_tables.cpp", "case_tables.cpp"}) {
        const std::string fresh = read_file(std::string(dir) + "/" + name);
        EXPECT_EQ(fresh.rfind("// Generated", 0), 0u) << name;
        EXPECT_TRUE(fresh == read_file(src + "/charconv/" + name)) << name << " differs";
        std::remove((std::string(dir) + "/" + name).c_str());
    }
    rmdir(dir);
}

// Today's case mappings of the four blocks, and the half-width forms, from the
// interpreter's Unicode database: "C code upper lower title" and "K code nfkc",
// each mapping a '+'-joined list of hex codes (the script avoids single quotes).
static const char* const kUnicodeDump = R"PY(
import unicodedata
h = lambda s: "+".join("%X" % ord(ch) for ch in s)
for a, b in ((0x40, 0x7F), (0xC0, 0x2AF), (0x380, 0x58F), (0x1E00, 0x1FFF)):
    for c in range(a, b + 1):
        ch = chr(c)
        print("C %X %s %s %s" % (c, h(ch.upper()), h(ch.lower()), h(ch.title())))
for c in list(range(0xFF01, 0xFF5F)) + list(range(0xFF61, 0xFFA0)):
    print("K %X %s" % (c, h(unicodedata.normalize("NFKC", chr(c)))))
)PY";

TEST(CharconvOracle, CaseTablesFollowTheUnicodeDatabaseExceptTheOlderData) {
    // Pairs that the older data lacks in both directions, then in one.
    const std::set<unsigned> no_pair = codes(
        "0243 0180 01F6 0195 023D 019A 0220 019E 01F7 01BF 01F8-01F9 0218-0233 023B-023C "
        "0241-0242 0246-024F 0189 0256 01A6 0280 0244-0245 0289 028C 03CF 03D7-03E1 03F2 "
        "03F7-03FB 0400 0450 040D 045D 048A-048F 04C0 04C5-04C6 04C9-04CA 04CD-04CF 04EC-04ED "
        "04F6-04F7 04FA-052F 1EFA-1EFF 1FEC 1FE5 1F70-1F7D 1FBA-1FBB 1FC8-1FCB 1FDA-1FDB "
        "1FEA-1FEB 1FF8-1FFB");
    const std::set<unsigned> no_small = codes("1E9E 03F4 03FD-03FF 023A 023E 1FBC 1FCC 1FFC 01F2");
    const std::set<unsigned> no_capital = codes(
        "017F 03C2 03D0-03D1 03D5-03D6 03F0-03F1 03F5 1E9B 1FBE 01DD 03F3 019B 023F-0240 "
        "0250-0252 025C 0261 0264-0266 026A-026C 0271 027D 0282 0287 029D-029E 01C5 01C8 01CB "
        "01F2");
    const std::map<unsigned, unsigned> up_set = {{0x0258, 0x018E}};
    const std::map<unsigned, unsigned> down_set = {{0x018E, 0x0258}, {0x0130, 0x0069}};

    CSmallToCapital up;
    CCapitalToSmall down;
    std::istringstream dump(run(std::string(RKCORR_PYTHON) + " -c '" + kUnicodeDump + "'"));
    auto single = [](const std::string& s) { return s.find('+') == std::string::npos; };
    unsigned lines = 0, kana = 0;
    std::string kind, code_hex, a, b, c;
    while (dump >> kind >> code_hex >> a) {
        const unsigned code = std::stoul(code_hex, nullptr, 16);
        const auto code16 = static_cast<unsigned short>(code);
        if (kind == "K") {  // full-width forms fold back, one way, to their NFKC form
            const unsigned nfkc = std::stoul(a, nullptr, 16);
            if (code < 0xFF61) {
                EXPECT_EQ(RKTC::Two2One(code16, 1), nfkc) << std::hex << code;
            } else if (code < 0xFF9E) {
                EXPECT_EQ(RKTC::One2Two(code16), nfkc) << std::hex << code;
            }
            ++kana;
            continue;
        }
        dump >> b >> c;
        ++lines;
        // Simple mappings: a letter whose full mapping has several characters
        // takes its single-character titlecase, if it has one.
        unsigned want_up = single(a)   ? std::stoul(a, nullptr, 16)
                           : single(c) ? std::stoul(c, nullptr, 16)
                                       : code;
        unsigned want_down = single(b) ? std::stoul(b, nullptr, 16) : code;
        if (no_pair.count(code) || no_capital.count(code)) want_up = code;
        if (no_pair.count(code) || no_small.count(code)) want_down = code;
        if (up_set.count(code)) want_up = up_set.at(code);
        if (down_set.count(code)) want_down = down_set.at(code);
        EXPECT_EQ(up.Convert(code16), want_up) << std::hex << code;
        EXPECT_EQ(down.Convert(code16), want_down) << std::hex << code;
    }
    EXPECT_EQ(lines, 64u + 496u + 528u + 512u);
    EXPECT_EQ(kana, 94u + 63u);
}

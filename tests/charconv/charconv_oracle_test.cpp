// The code, case and width conversions against their sources: the tables regenerated from the Python
// interpreter's cp932 codec and Unicode database, and the conversions against that database.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>

#include "rkcorr/charcode.h"
#include "rkcorr/charconvert.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << command;
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
        EXPECT_TRUE(fresh.rfind("// Generated", 0) == 0 && fresh == read_file(src + "/charconv/" + name))
            << name;
        std::remove((std::string(dir) + "/" + name).c_str());
    }
    rmdir(dir);
}

// From the interpreter's Unicode database: "C code upper lower", the simple case mappings of the four blocks
// (where the full mapping has several characters, the single-character titlecase if any) less what the
// library's older data lacks or makes otherwise, and "T code nfkc" (full-width forms) or "O code nfkc"
// (half-width ones). The script has no single quotes.
static const char* const kUnicodeDump = R"PY(
import unicodedata
codes = lambda s: {c for i in s.split() for c in range(int(i[:4], 16), int(i[-4:], 16) + 1)}
# Pairs that the older data lacks in both directions, then in one; three mappings it makes otherwise.
no_pair = codes("0243 0180 01F6 0195 023D 019A 0220 019E 01F7 01BF 01F8-01F9 0218-0233 023B-023C "
                "0241-0242 0246-024F 0189 0256 01A6 0280 0244-0245 0289 028C 03CF 03D7-03E1 03F2 "
                "03F7-03FB 0400 0450 040D 045D 048A-048F 04C0 04C5-04C6 04C9-04CA 04CD-04CF 04EC-04ED "
                "04F6-04F7 04FA-052F 1EFA-1EFF 1FEC 1FE5 1F70-1F7D 1FBA-1FBB 1FC8-1FCB 1FDA-1FDB "
                "1FEA-1FEB 1FF8-1FFB")
no_small = codes("1E9E 03F4 03FD-03FF 023A 023E 1FBC 1FCC 1FFC 01F2")
no_capital = codes("017F 03C2 03D0-03D1 03D5-03D6 03F0-03F1 03F5 1E9B 1FBE 01DD 03F3 019B 023F-0240 "
                   "0250-0252 025C 0261 0264-0266 026A-026C 0271 027D 0282 0287 029D-029E 01C5 01C8 01CB "
                   "01F2")
other_up, other_down = {0x258: 0x18E}, {0x18E: 0x258, 0x130: 0x69}
for a, b in ((0x40, 0x7F), (0xC0, 0x2AF), (0x380, 0x58F), (0x1E00, 0x1FFF)):
    for c in range(a, b + 1):
        ch, u, l, t = chr(c), chr(c).upper(), chr(c).lower(), chr(c).title()
        up = c if c in no_pair | no_capital else ord(u if len(u) == 1 else t if len(t) == 1 else ch)
        down = c if c in no_pair | no_small else ord(l if len(l) == 1 else ch)
        print("C %X %X %X" % (c, other_up.get(c, up), other_down.get(c, down)))
for c in list(range(0xFF01, 0xFF5F)) + list(range(0xFF61, 0xFF9E)):
    print("%s %X %X" % ("T" if c < 0xFF61 else "O", c, ord(unicodedata.normalize("NFKC", chr(c)))))
)PY";

TEST(CharconvOracle, CaseTablesFollowTheUnicodeDatabaseExceptTheOlderData) {
    CSmallToCapital up;
    CCapitalToSmall down;
    std::istringstream dump(run(std::string(RKCORR_PYTHON) + " -c '" + kUnicodeDump + "'"));
    unsigned lines = 0, kana = 0;
    std::string kind, code_hex, a, b;
    while (dump >> kind >> code_hex >> a) {
        const auto code = static_cast<unsigned short>(std::stoul(code_hex, nullptr, 16));
        const unsigned want = std::stoul(a, nullptr, 16);
        if (kind != "C") {  // full-width forms fold back, one way, to their NFKC form; half-width ones widen
            EXPECT_EQ(kind == "T" ? RKTC::Two2One(code, 1) : RKTC::One2Two(code), want) << std::hex << code;
            ++kana;
        } else if (dump >> b) {
            EXPECT_EQ(std::make_tuple(up.Convert(code), down.Convert(code)),
                      std::make_tuple(want, unsigned(std::stoul(b, nullptr, 16))))
                << std::hex << code;
            ++lines;
        }
    }
    EXPECT_EQ(std::tie(lines, kana), std::make_tuple(64u + 496u + 528u + 512u, 94u + 61u));
}

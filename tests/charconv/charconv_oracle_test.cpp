// The code and case tables against their sources: regenerated tables, glibc's
// iconv CP932 converter, and the Python interpreter's Unicode database.
#include <gtest/gtest.h>
#include <iconv.h>
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

std::string read_file(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string run(const std::string& command)
{
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
    out.append(buf, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return out;
}

std::vector<unsigned char> convert(iconv_t cd, std::vector<unsigned char> in)
{
  std::vector<unsigned char> out(8);
  char* src = reinterpret_cast<char*>(in.data());
  char* dst = reinterpret_cast<char*>(out.data());
  size_t src_left = in.size(), dst_left = out.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1) || src_left)
    return {};
  out.resize(out.size() - dst_left);
  return out;
}

std::set<unsigned> codes(std::initializer_list<std::pair<unsigned, unsigned>> spans)
{
  std::set<unsigned> out;
  for (const auto& s : spans)
    for (unsigned c = s.first; c <= s.second; ++c)
      out.insert(c);
  return out;
}

}  // namespace

TEST(CharconvOracle, RegeneratedTablesMatchTheCommittedOnes)
{
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

TEST(CharconvOracle, ShiftJisTablesAgreeWithIconvCp932)
{
  iconv_t to_ucs = iconv_open("UCS-2LE", "CP932"), to_sjis = iconv_open("CP932", "UCS-2LE");
  ASSERT_NE(to_ucs, reinterpret_cast<iconv_t>(-1));
  ASSERT_NE(to_sjis, reinterpret_cast<iconv_t>(-1));
  unsigned checked = 0;
  for (unsigned c = 1; c <= 0xFFFF; ++c) {
    const unsigned u = RKTC::sjistoucs2(static_cast<unsigned short>(c));
    if (!u)
      continue;
    ++checked;
    const std::vector<unsigned char> sjis =
        c < 0x100 ? std::vector<unsigned char>{static_cast<unsigned char>(c)}
                  : std::vector<unsigned char>{static_cast<unsigned char>(c >> 8),
                                               static_cast<unsigned char>(c)};
    const std::vector<unsigned char> ucs{static_cast<unsigned char>(u),
                                         static_cast<unsigned char>(u >> 8)};
    ASSERT_EQ(convert(to_ucs, sjis), ucs) << std::hex << c;
    ASSERT_EQ(convert(to_sjis, ucs), sjis) << std::hex << u;
  }
  EXPECT_EQ(checked, 7516u);
  iconv_close(to_ucs);
  iconv_close(to_sjis);
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

TEST(CharconvOracle, CaseTablesFollowTheUnicodeDatabaseExceptTheOlderData)
{
  // Pairs that the older data lacks in both directions, then in one.
  const std::set<unsigned> no_pair = codes({
      {0x0243, 0x0243}, {0x0180, 0x0180}, {0x01F6, 0x01F6}, {0x0195, 0x0195}, {0x023D, 0x023D},
      {0x019A, 0x019A}, {0x0220, 0x0220}, {0x019E, 0x019E}, {0x01F7, 0x01F7}, {0x01BF, 0x01BF},
      {0x01F8, 0x01F9}, {0x0218, 0x0233}, {0x023B, 0x023C}, {0x0241, 0x0242}, {0x0246, 0x024F},
      {0x0189, 0x0189}, {0x0256, 0x0256}, {0x01A6, 0x01A6}, {0x0280, 0x0280}, {0x0244, 0x0245},
      {0x0289, 0x0289}, {0x028C, 0x028C}, {0x03CF, 0x03CF}, {0x03D7, 0x03E1}, {0x03F2, 0x03F2},
      {0x03F7, 0x03FB}, {0x0400, 0x0400}, {0x0450, 0x0450}, {0x040D, 0x040D}, {0x045D, 0x045D},
      {0x048A, 0x048F}, {0x04C0, 0x04C0}, {0x04C5, 0x04C6}, {0x04C9, 0x04CA}, {0x04CD, 0x04CF},
      {0x04EC, 0x04ED}, {0x04F6, 0x04F7}, {0x04FA, 0x052F}, {0x1EFA, 0x1EFF}, {0x1FEC, 0x1FEC},
      {0x1FE5, 0x1FE5}, {0x1F70, 0x1F7D}, {0x1FBA, 0x1FBB}, {0x1FC8, 0x1FCB}, {0x1FDA, 0x1FDB},
      {0x1FEA, 0x1FEB}, {0x1FF8, 0x1FFB}});
  const std::set<unsigned> no_small = codes({{0x1E9E, 0x1E9E}, {0x03F4, 0x03F4},
      {0x03FD, 0x03FF}, {0x023A, 0x023A}, {0x023E, 0x023E}, {0x1FBC, 0x1FBC},
      {0x1FCC, 0x1FCC}, {0x1FFC, 0x1FFC}, {0x01F2, 0x01F2}});
  const std::set<unsigned> no_capital = codes({{0x017F, 0x017F}, {0x03C2, 0x03C2},
      {0x03D0, 0x03D1}, {0x03D5, 0x03D6}, {0x03F0, 0x03F1}, {0x03F5, 0x03F5}, {0x1E9B, 0x1E9B},
      {0x1FBE, 0x1FBE}, {0x01DD, 0x01DD}, {0x03F3, 0x03F3}, {0x019B, 0x019B}, {0x023F, 0x0240},
      {0x0250, 0x0252}, {0x025C, 0x025C}, {0x0261, 0x0261}, {0x0264, 0x0266}, {0x026A, 0x026C},
      {0x0271, 0x0271}, {0x027D, 0x027D}, {0x0282, 0x0282}, {0x0287, 0x0287}, {0x029D, 0x029E},
      {0x01C5, 0x01C5}, {0x01C8, 0x01C8}, {0x01CB, 0x01CB}, {0x01F2, 0x01F2}});
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
    unsigned want_up = single(a) ? std::stoul(a, nullptr, 16)
                       : single(c) ? std::stoul(c, nullptr, 16) : code;
    unsigned want_down = single(b) ? std::stoul(b, nullptr, 16) : code;
    if (no_pair.count(code) || no_capital.count(code))
      want_up = code;
    if (no_pair.count(code) || no_small.count(code))
      want_down = code;
    if (up_set.count(code))
      want_up = up_set.at(code);
    if (down_set.count(code))
      want_down = down_set.at(code);
    EXPECT_EQ(up.Convert(code16), want_up) << std::hex << code;
    EXPECT_EQ(down.Convert(code16), want_down) << std::hex << code;
  }
  EXPECT_EQ(lines, 64u + 496u + 528u + 512u);
  EXPECT_EQ(kana, 94u + 63u);
}

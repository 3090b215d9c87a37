// JSON text from arbitrary bytes: escapes, and text that is not UTF-8 replaced the
// way a standard decoder does it (checked against Python's, byte string by byte string).
#include "Portable/Console/CJsonObject.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <unistd.h>

namespace
{

std::string Quoted(std::string_view text)
{
    std::string out;
    CJsonObject::AppendQuoted(out, text);
    return out;
}

} // namespace

TEST(JsonObject, EscapesAndReplacements)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(Quoted("a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(Quoted("\0\n\x1f\x7f"sv), "\"\\u0000\\u000a\\u001f\\u007f\"");
    // Well-formed sequences of two, three and four bytes pass unchanged; the C1
    // controls are escaped.
    EXPECT_EQ(Quoted("\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb9"),
              "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb9\"");
    EXPECT_EQ(Quoted("\xc2\x85\xc2\x9f\xc2\xa0"), "\"\\u0085\\u009f\xc2\xa0\"");
    const std::string r = "\xef\xbf\xbd";
    EXPECT_EQ(Quoted("\x80"), "\"" + r + "\"");
    EXPECT_EQ(Quoted("\xc0\xaf"), "\"" + r + r + "\"");                 // overlong
    EXPECT_EQ(Quoted("\xe0\x80\x80"), "\"" + r + r + r + "\"");         // overlong
    EXPECT_EQ(Quoted("\xed\xa0\x80"), "\"" + r + r + r + "\"");         // surrogate
    EXPECT_EQ(Quoted("\xf4\x90\x80\x80"), "\"" + r + r + r + r + "\""); // past U+10FFFF
    EXPECT_EQ(Quoted("\xe2\x82x"), "\"" + r + "x\"");                   // cut short
    EXPECT_EQ(Quoted("\xf0\x9f\x8e"), "\"" + r + "\"");                 // cut off at the end

    CJsonObject object;
    object.AddString("k\"", "v").AddNumber("n", -5).AddBool("b", false).AddNull("z");
    EXPECT_EQ(object.GetText(), "{\"k\\\"\":\"v\",\"n\":-5,\"b\":false,\"z\":null}");
    EXPECT_EQ(CJsonObject().GetText(), "{}");
}

TEST(JsonObject, AnyBytesDecodeAsAStandardDecoderReadsThem)
{
    // Random byte strings, rich in the bytes that start and continue multi-byte
    // sequences: each JSON string must parse, and give what Python's UTF-8 decoder
    // with replacement makes of the same bytes.
    const std::string path = ::testing::TempDir() + std::to_string(getpid()) + "-json-bytes.txt";
    {
        std::ofstream out(path, std::ios::binary);
        std::mt19937 random(20261208);
        const uint8_t interesting[] = {0x00, 0x1f, 0x22, 0x5c, 0x7f, 0x80, 0x9f, 0xa0, 0xbf, 0xc0,
                                       0xc2, 0xdf, 0xe0, 0xed, 0xef, 0xf0, 0xf4, 0xf5, 0xff};
        for (int line = 0; line < 3000; ++line)
        {
            std::string bytes;
            const int length = static_cast<int>(random() % 12);
            for (int i = 0; i < length; ++i)
                bytes += static_cast<char>(random() % 3 == 0 ? 'a' + random() % 26
                                           : random() % 2 == 0
                                               ? interesting[random() % sizeof interesting]
                                               : 0x80 + random() % 0x80);
            char hex[3];
            for (char c : bytes)
            {
                std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
                out << hex;
            }
            out << ' ' << Quoted(bytes) << '\n';
        }
    }
    const std::string command = "python3 -c '\n"
                                "import json, sys\n"
                                "for n, line in enumerate(open(sys.argv[1], "
                                "\"rb\").read().decode(\"utf-8\").splitlines()):\n"
                                "    hex, text = line.split(\" \", 1)\n"
                                "    want = bytes.fromhex(hex).decode(\"utf-8\", \"replace\")\n"
                                "    if json.loads(text) != want:\n"
                                "        sys.exit(\"line %d: %s gave %r\" % (n + 1, hex, text))\n"
                                "' '" +
                                path + "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string fault;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        fault += buffer;
    EXPECT_EQ(pclose(pipe), 0) << fault;
    std::remove(path.c_str());
}

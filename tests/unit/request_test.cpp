#include "base/Numbers.h"
#include "base/ProcessState.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Request.h"
#include "support/RequestNames.h"

#include <gtest/gtest.h>

using namespace vd;
using vdtest::RequestFieldNames;

TEST(UrlDecode, EscapesPlusAndPercent) {
    EXPECT_EQ(UrlDecode("John+Smith"), "John Smith");
    EXPECT_EQ(UrlDecode("a%2Bb"), "a+b");
    EXPECT_EQ(UrlDecode("100%%"), "100%");
    EXPECT_EQ(UrlDecode("%%41"), "%41");
    EXPECT_EQ(UrlDecode("%41%42c"), "ABc");
    EXPECT_EQ(UrlDecode("%e9t%C3%a9"), "\xE9t\xC3\xA9");
    EXPECT_EQ(UrlDecode("%00x").size(), 2u);
}

TEST(UrlDecode, MalformedEscapes) {
    EXPECT_EQ(UrlDecode("abc%4"), "abc");                 // cut off: dropped
    EXPECT_EQ(UrlDecode("abc%"), "abc");
    EXPECT_EQ(UrlDecode("%41%zz"), "%41%zz");             // not hex: the whole text undecoded
    EXPECT_EQ(UrlDecode("a+%41%g1"), "a %41%g1");         // but "+" is already a blank
}

TEST(UrlEncode, SpecialCharactersControlAndHighBytes) {
    EXPECT_EQ(UrlEncode("a b"), "a+b");
    EXPECT_EQ(UrlEncode("%&+=?<>\"#\\^[]`;"), "%25%26%2B%3D%3F%3C%3E%22%23%5C%5E%5B%5D%60%3B");
    EXPECT_EQ(UrlEncode("\x01\t\r\n"), "%01%09%0D%0A");
    EXPECT_EQ(UrlEncode("{|}~\x7F\xE9"), "%7B%7C%7D%7E%7F%E9");
    EXPECT_EQ(UrlEncode("Az09-_.!*'(),/:@$"), "Az09-_.!*'(),/:@$");
    EXPECT_EQ(UrlDecode(UrlEncode("x = 1% & \"y\"\r\n")), "x = 1% & \"y\"\r\n");
}

TEST(ParsePairs, PiecesNamesAndValues) {
    ProcessState::Reset();
    std::string text = "a=1&&b=2&flag&c=x=y&=lost&";
    ParsePairs(text, "&");
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(GetField("a"), "1");
    EXPECT_EQ(GetField("B"), "2");
    EXPECT_EQ(FieldValues("flag").size(), 1u);
    EXPECT_EQ(GetField("flag"), "");
    EXPECT_EQ(GetField("c"), "x=y");
    EXPECT_EQ(RequestFieldNames(), (std::vector<std::string>{"a", "b", "flag", "c"}));
}

TEST(ParsePairs, SameNameCollectsValuesInArrivalOrder) {
    ProcessState::Reset();
    std::string body = "User=ann&a=1";
    ParsePairs(body, "&");
    std::string query = "A=2&a=";
    ParsePairs(query, "&");
    std::string cookies = "USER=bob; theme=dark";
    ParsePairs(cookies, "; ");
    EXPECT_EQ(GetField("a"), "1, 2, ");
    EXPECT_EQ(GetField("user"), "ann, bob");
    EXPECT_EQ(GetField("theme"), "dark");
    EXPECT_EQ(GetField("missing"), "");
    EXPECT_EQ(RequestFieldNames().front(), "User");  // written as it first arrived
}

TEST(ParsePairs, LargeRequestsStayLinear) {
    ProcessState::Reset();
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "f" + std::to_string(i) + "=v&";
    std::string big = "big=" + std::string(10 * 1024 * 1024, 'x');
    ParsePairs(many, "&");
    ParsePairs(big, "&");
    EXPECT_EQ(RequestFieldNames().size(), 100001u);
    EXPECT_EQ(GetField("f99999"), "v");
    EXPECT_EQ(GetField("big").size(), 10u * 1024 * 1024);
}

TEST(TextUtil, TakeTokenAndReplaceText) {
    std::string t = "a=1&b=2";
    EXPECT_EQ(TakeToken(t, "&"), "a=1");
    EXPECT_EQ(t, "b=2");
    EXPECT_EQ(TakeToken(t, "&"), "b=2");
    EXPECT_EQ(t, "");
    EXPECT_EQ(TakeToken(t, "&"), "");
    t = "&b";
    EXPECT_EQ(TakeToken(t, "&"), "");
    EXPECT_EQ(t, "b");
    t = "x; y";
    EXPECT_EQ(TakeToken(t, "; "), "x");
    EXPECT_EQ(t, "y");
    EXPECT_EQ(ReplaceText("a+b+c", "+", " "), "a b c");
    EXPECT_EQ(ReplaceText("++", "+", " "), "  ");
    EXPECT_EQ(ReplaceText("aXbxc", "x", "-"), "a-b-c");
    EXPECT_EQ(AnsiBufferToText({'\0', 'a'}), "");
    EXPECT_EQ(AnsiBufferToText({'a', 'b', '\0', 'c'}), "ab");
    EXPECT_THROW(AnsiBufferToText({'a'}), RunError);
}

TEST(Numbers, LeadingNumberAndRounding) {
    EXPECT_EQ(Val("12.5"), 12.5);
    EXPECT_EQ(Val("1,5"), 1);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val(" 1 2\t3"), 123);
    EXPECT_EQ(Val("-.5x"), -0.5);
    EXPECT_EQ(Val("1e2"), 100);
    EXPECT_EQ(Val("1e"), 1);
    EXPECT_EQ(Val("$5"), 0);
    EXPECT_EQ(Val("&H1F"), 31);
    EXPECT_EQ(CInt(12.5), 12);
    EXPECT_EQ(CInt(13.5), 14);
    EXPECT_EQ(CInt(-0.5), 0);
    EXPECT_EQ(CInt(32767.4), 32767);
    try {
        CInt(40000);
        FAIL();
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, 6);
        EXPECT_EQ(e.Text, "Overflow");
    }
    EXPECT_EQ(NumberText(1.5), "1.5");
    EXPECT_EQ(NumberText(-1), "-1");
}

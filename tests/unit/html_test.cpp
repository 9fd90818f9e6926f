#include "cgi/Escape.h"
#include "cgi/Output.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

using namespace vd;

// Only literals, escapers and helpers make markup: a value cannot be sent
// without going through one.
static_assert(!std::is_convertible_v<std::string, Html>);
static_assert(!std::is_convertible_v<const char*, Html>);
static_assert(!std::is_convertible_v<std::string_view, Html>);
static_assert(std::is_convertible_v<const char (&)[4], Html>);
static_assert(!std::is_convertible_v<char (&)[4], Html>);
template <class T>
concept Joins = requires(Html html, T piece) { html + piece; };
static_assert(Joins<const char (&)[4]> && Joins<Html>);
static_assert(!Joins<std::string> && !Joins<const char*> && !Joins<char (&)[4]>);

TEST(Escape, TextQuotedAndBareRules) {
    const std::string all = "a&<>\"' \t\n\r\f=`b";
    EXPECT_EQ(HtmlText(all).View(), "a&amp;&lt;&gt;&quot;&#39; \t\n\r\f=`b");
    EXPECT_EQ(HtmlQuoted(all).View(), "\"a&amp;&lt;&gt;&quot;&#39; \t\n\r\f=`b\"");
    EXPECT_EQ(HtmlBare(all).View(), "a&amp;&lt;&gt;&quot;&#39;&#32;&#9;&#10;&#13;&#12;&#61;&#96;b");
    EXPECT_EQ(HtmlText("").View(), "");
    EXPECT_EQ(HtmlBare("plain").View(), "plain");
}

TEST(Escape, HelpersEscapeWhatTheyAreGiven) {
    EXPECT_EQ(HiddenInput("Appl", "a\"b").View(), "<input type=hidden name=Appl value=\"a&quot;b\">");
    EXPECT_EQ(HiddenInput("Appl1", "a b", Quoting::Bare).View(), "<input type=hidden name=Appl1 value=a&#32;b>");
    EXPECT_EQ(OptionTag("1 2", "<x>", true).View(), "<option value=1&#32;2 SELECTED>&lt;x&gt;");
    EXPECT_EQ(TextArea("T", 4, 75, "</textarea>").View(), "<textarea name=T rows=4 cols=75>&lt;/textarea&gt;</textarea>");
    EXPECT_EQ(SelectTag("a'b").View(), "<select name='a&#39;b'>");
    EXPECT_EQ(Link("/x?a=\"1\"", "go").View(), "<A HREF=\"/x?a=&quot;1&quot;\">go</A>");
}

// A request costs a small multiple of its body, whatever its shape: a body
// of more fields than any page posts is refused before it is parsed, and a
// request refused at sign-in reads no body at all.
#include "support/CgiRun.h"
#include "support/PageText.h"

#include "cgi/Request.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vdtest;

namespace {

const std::string OverflowPage =
    Header + ErrTopTemplate + "<p align=\"center\">\r\n(6) Error: Overflow</p>\r\n" + ErrBottomTemplate;

// Empty fields a0=&a1=&... up to the given number.
std::string DistinctFields(size_t count) {
    std::string body;
    for (size_t i = 0; i < count; ++i) body += "a" + std::to_string(i) + "=&";
    return body;
}

struct BoundsSite {
    Site site;
    explicit BoundsSite(const std::string& extraIni = "") {
        site.WriteTemplates();
        site.WriteIni(extraIni);
    }
};

constexpr size_t Body15MiB = 15u * 1024 * 1024;

}  // namespace

TEST(Bounds, MoreFieldsThanAnyPagePostsGetTheOverflowPage) {
    BoundsSite s;
    CgiResult r = s.site.Run("", DistinctFields(vd::MaxBodyFields) + "User=x");
    EXPECT_EQ(r.out, OverflowPage);
    EXPECT_NE(r.err.find("vdconfig: error (6) Overflow"), std::string::npos) << r.err;
    // Empty pieces and pieces without a name are no fields.
    r = s.site.Run("", DistinctFields(vd::MaxBodyFields - 1) + std::string(50000, '&') + "=1&=2&User=x");
    EXPECT_EQ(r.out.find("Overflow"), std::string::npos);
    EXPECT_NE(r.out.find("You are not authorized to perform this function."), std::string::npos);
}

// Each body is made just before its run, so that the test's own memory,
// which the forked program counts until it starts, stays small.
TEST(Bounds, PeakMemoryStaysASmallMultipleOfTheBodyWhateverItsShape) {
    BoundsSite s;
    auto repeated = [](const std::function<std::string(size_t)>& piece) {
        std::string body;
        for (size_t i = 0; body.size() < Body15MiB; ++i) body += piece(i);
        return body;
    };
    const std::function<std::string(size_t)> shapes[] = {
        [](size_t i) { return "a" + std::to_string(i) + "=&"; },
        [](size_t) { return std::string("x=&"); },
        [](size_t i) { return i == 0 ? std::string("v=") : std::string("%41+"); },
        [](size_t i) { return "f" + std::to_string(i) + "=" + std::string(Body15MiB / vd::MaxBodyFields, 'y') + "&"; },
    };
    for (const auto& shape : shapes) {
        CgiResult r = s.site.Run("", repeated(shape));
        EXPECT_EQ(r.status, 0);
        EXPECT_LT(r.peakKiB, 64 * 1024) << shape(1);
    }
}

TEST(Bounds, ARequestRefusedAtSignInReadsNoBody) {
    BoundsSite s("RequireSignIn=TRUE\r\n");
    const std::string many = DistinctFields(vd::MaxBodyFields + 1);
    CgiResult r = s.site.Run("", many);
    EXPECT_EQ(r.out, Refusal);
    EXPECT_NE(r.err.find("vdconfig: refused: no signed-in user"), std::string::npos) << r.err;
    r = s.site.Run("", "x=1", {{"CONTENT_LENGTH", "16777217"}});
    EXPECT_EQ(r.out, Refusal);
    // Another user named by the query string or the cookie.
    for (const auto& [query, cookie] : {std::pair{"User=clerk", ""}, std::pair{"", "User=clerk"}}) {
        r = s.site.Run(query, many, {{"REMOTE_USER", "boss"}, {"HTTP_COOKIE", cookie}});
        EXPECT_EQ(r.out, Refusal);
        EXPECT_NE(r.err.find("vdconfig: refused: User=clerk is not the signed-in user boss"), std::string::npos)
            << r.err;
    }
    // Signed in, the body is read and judged.
    r = s.site.Run("", many, {{"REMOTE_USER", "boss"}});
    EXPECT_EQ(r.out, OverflowPage);
}

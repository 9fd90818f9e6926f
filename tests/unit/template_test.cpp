#include "base/RunError.h"
#include "cgi/Output.h"
#include "settings/WebSettings.h"
#include "support/CgiRun.h"
#include "support/InProcess.h"

#include <gtest/gtest.h>

using namespace vd;
using vdtest::CaptureOutput;

namespace {
struct TemplateSite : ::testing::Test {
    vdtest::Site site;
    void SetUp() override {
        SetPageFrame({site.HtmlPath(), "", "", SettingsFileIn(site.Root())});
        site.Write("vexweb.ini", "[UserGraphics]\r\nann=<IMG SRC=\"ann.gif\">\r\n");
    }
    std::string Top(const std::string& content, const std::string& user = "") {
        site.Write("html/tbltop.htm", content);
        return CaptureOutput([&] {
            SetPageFrame({site.HtmlPath(), "", user, SettingsFileIn(site.Root())});
            SendTop();
        });
    }
};
}  // namespace

TEST_F(TemplateSite, GraphicMarkerTakesTheUsersGraphicOrTheDefault) {
    const std::string line = "<td><getgraphic><IMG SRC=\"a.gif\"></GetGraphic></td>\r\n";
    EXPECT_EQ(Top(line), "<td><IMG SRC=\"a.gif\"></td>\r\n");
    EXPECT_EQ(Top(line, "ANN"), "<td><IMG SRC=\"ann.gif\"></td>\r\n");  // keys match without regard to case
    EXPECT_EQ(Top(line, "bob"), "<td><IMG SRC=\"a.gif\"></td>\r\n");
    EXPECT_EQ(Top("<GETGRAPHIC>A</GETGRAPHIC>|<GETGRAPHIC>B</GETGRAPHIC>\n"), "A|<GETGRAPHIC>B</GETGRAPHIC>\r\n");
}

TEST_F(TemplateSite, FieldMarkers) {
    EXPECT_EQ(Top("<GETVEXFIELD>Appl</GETVEXFIELD> / <getvexfield>DocType</getvexfield>\n"), "Appl / DocType\r\n");
    EXPECT_EQ(Top("x<GETVEXFIELD>Other</GETVEXFIELD>y\n"), "x<GETVEXFIELD>Other</GETVEXFIELD>y\r\n");
    EXPECT_EQ(Top("open <GETVEXFIELD>Appl only\n"), "open <GETVEXFIELD>Appl only\r\n");
    site.Write("html/tbltop.htm", "</GETVEXFIELD>x<GETVEXFIELD>\n");
    try {
        CaptureOutput([] { SendTop(); });
        FAIL();
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, 5);
    }
}

TEST_F(TemplateSite, BlankTopLinesAreSkippedBottomLinesAreNot) {
    EXPECT_EQ(Top("a\r\n   \r\n\r\nb"), "a\r\nb\r\n");
    site.Write("html/tblbot.htm", "x\r\n\r\ny\n");
    EXPECT_EQ(CaptureOutput([] { SendBottom(); }), "x\r\n\r\ny\r\n");
}

TEST_F(TemplateSite, MissingTemplateIsFileNotFound) {
    try {
        CaptureOutput([] { SendTop("nothere.htm"); });
        FAIL();
    } catch (const RunError& e) {
        EXPECT_EQ(e.Number, 53);
        EXPECT_EQ(e.Text, "File not found");
    }
}

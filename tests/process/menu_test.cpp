#include "support/CgiRun.h"

#include <gtest/gtest.h>

using namespace vdtest;

TEST(Refusal, RequestWithoutUserIsRefused) {
    Site site;
    site.WriteTemplates();
    site.WriteIni();
    CgiResult r = site.Run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("Content-Type: text/html\r\n\r\n") +
                         "<HTML><BODY>\r\n<IMG SRC=\"logo.gif\">\r\n"
                         "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">You are not authorized to perform this "
                         "function.</FONT></CENTER></p>\r\n" +
                         BottomTemplate);
}

// In-process tests of the data layer against a test site's real SQLite
// databases: the settings point at the site, the debug log is on, and the
// page output (error pages) is captured.
#pragma once

#include "app/Main.h"
#include "base/DebugLog.h"
#include "cgi/Output.h"
#include "data/Connections.h"
#include "data/ODBCAPI.h"
#include "data/VDODBC.h"
#include "pages/RunValues.h"
#include "settings/WebSettings.h"
#include "support/CgiRun.h"
#include "support/DataCalls.h"
#include "support/Databases.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using vdtest::GridCell;
using vdtest::GridRowCount;
using vdtest::Shown;

class DataLayerTest : public ::testing::Test {
protected:
    vdtest::Site site;
    vdtest::SiteDatabases dbs{site};

    void SetUp() override {
        vd::ResetRun();
        site.WriteTemplates();
        vd::WebSettings.ParameterPath = dbs.ParameterPath();
        vd::WebSettings.WebPath = "/web/";
        vd::WebSettings.HTMLPath = site.HtmlPath();
        vd::WebSettings.TempPath = site.Root() + "/temp/";
        vd::WebSettings.DebugEnabled = true;
        vd::ConfigureDebugLog(true, site.Root() + "/temp/vdconfig.log");
        ForgetConnections();
        ::testing::internal::CaptureStdout();
        capturing_ = true;
    }

    void TearDown() override {
        ForgetConnections();
        inTearDown_ = true;
        // Failure messages printed while the output was captured.
        if (capturing_) {
            const std::string rest = Output();
            if (HasFailure()) std::fprintf(stderr, "%s", rest.c_str());
        }
        vd::ResetRun();
    }

    void ForgetConnections() {
        vd::ODBCCloseDatabase(vd::ParamsConnection());
        vd::gParamsConnect.clear();
        vd::WVDAccountingConnect.clear();
        vd::SqlUser.clear();
        vd::SqlPassword.clear();
    }

    // What the code under test sent since the last call.
    std::string Output() {
        vd::FlushOutput();
        std::string out = ::testing::internal::GetCapturedStdout();
        capturing_ = false;
        if (!inTearDown_) {
            ::testing::internal::CaptureStdout();
            capturing_ = true;
        }
        return out;
    }

    std::string Log() const { return site.Exists("temp/vdconfig.log") ? site.Read("temp/vdconfig.log") : ""; }
    void ClearLog() const { site.Write("temp/vdconfig.log", ""); }

    // Connections straight to the site's files.
    bool OpenParams(vd::OdbcConnection& c) {
        return vdtest::Shown([&] { vd::ODBCOpenDatabase(c, "FILEDSN=" + dbs.ParameterPath() + "DSN/VDWParams32.DSN;"); });
    }
    bool OpenBilling(vd::OdbcConnection& c) {
        return vdtest::Shown([&] { vd::ODBCOpenDatabase(c, "FILEDSN=" + site.Root() + "/DSN/WVDAccounting.DSN;"); });
    }

private:
    bool capturing_ = false;
    bool inTearDown_ = false;
};

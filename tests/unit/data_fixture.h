// In-process tests of the data layer against a test site's real SQLite
// databases: the settings point at the site, the debug log is on, and the
// page output (error pages) is captured.
#pragma once

#include "app/Main.h"
#include "base/DebugLog.h"
#include "base/Program.h"
#include "cgi/Output.h"
#include "data/Databases.h"
#include "data/ODBCAPI.h"
#include "data/RecordAccess.h"
#include "settings/WebSettings.h"
#include "support/CgiRun.h"
#include "support/DataCalls.h"
#include "support/Databases.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

using vdtest::GridCell;
using vdtest::GridRowCount;
using vdtest::Shown;

class DataLayerTest : public ::testing::Test {
protected:
    vdtest::Site site;
    vdtest::SiteDatabases dbs{site};
    std::unique_ptr<vd::Databases> data_ = std::make_unique<vd::Databases>();
    // What the run under test knows of its databases.
    vd::Databases& Data() { return *data_; }

    void SetUp() override {
        vd::ResetRun();
        site.WriteTemplates();
        Data().ParameterPath = dbs.ParameterPath();
        vd::SetPageFrame({site.HtmlPath(), "/web/", "", vd::SettingsFileIn(site.Root())});
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

    // A new run's view of the databases.
    void ForgetConnections() {
        data_ = std::make_unique<vd::Databases>();
        Data().ParameterPath = dbs.ParameterPath();
        Data().ProgramFolder = vd::ExecutableFolder();
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

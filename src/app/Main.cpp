#include "app/Main.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/Numbers.h"
#include "base/ProcessState.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/MessagePages.h"
#include "cgi/Origin.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "cgi/SignIn.h"
#include "data/Authorization.h"
#include "pages/Pages.h"
#include "pages/RunContext.h"
#include "settings/WebSettings.h"

#include <cstdio>
#include <ctime>
#include <new>
#include <unistd.h>

namespace vd {

namespace {

// The supervisor test of the parameters database. A user it cannot read is
// no supervisor: a database failure shows its error page first, any other
// leaves its line on standard error; the page that follows is the refusal.
bool SupervisorVerdict(Databases& databases, const std::string& id) {
    try {
        return IsUserSupervisor(databases, id);
    } catch (const DbError& e) {
        DebugLog("IsUserSupervisor Error: " + e.Text);
        ReportDbError(e);
    } catch (const RunError& e) {
        DebugLog("IsUserSupervisor Error: " + e.Text);
        LogFailure(std::to_string(e.Number), e.Text);
    }
    return false;
}

void Refuse(RunContext&) { SendMessagePage("You are not authorized to perform this function.", "", "", "+1", ""); }

// The plan row whose button was pressed on the selection page; the highest
// row number wins.
void ScanShowPlan(PlanKey& plan) {
    for (int i = 0; i <= 99; ++i) {
        const std::string n = std::to_string(i);
        if (GetField("Rate" + n).empty()) continue;
        std::string num = GetField("RateNum" + n);
        plan.RateNum = num == "N" ? NewPlan : CInt(Val(num));
        plan.Appl = GetField("Appl" + n);
        plan.DocType = GetField("DocType" + n);
    }
}

void ChooseDatabase(RunContext& run) {
    std::string db = GetField("Database");
    if (db.empty()) {
        SendNotice("No Database Selected");
    } else {
        run.Plan.Appl = db.substr(0, 3);
        run.Plan.DocType = db.size() > 2 ? db.substr(db.size() - 2) : db;
        ShowApplicationConfiguration(run);
    }
    EndRun();
}

std::string GeneralDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    int hour = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900, hour,
                  t.tm_min, t.tm_sec, t.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

struct Route {
    const char* option;
    void (*supervisor)(RunContext&);
    void (*other)(RunContext&);
    bool changes = false;  // writes vexweb.ini or the databases: refused from another site's page
    // The page's failure ends in its error page even while Debug skips
    // failing steps.
    bool showsFailures = true;
};

// The option after upper-casing decides; the first equal row wins and any
// other text takes the main menu.
const Route Routes[] = {
    {"SAVEINI", SaveWebSettings, Refuse, true},
    {"SERVER AND BROWSER FILE LOCATIONS",
     [](RunContext& run) { ShowFileLocationsForm(run, SettingsFormHeading, run.FormAction(), "POST"); }, Refuse},
    {"RATE PLANS",
     [](RunContext& run) { MakeHTMLBillingPlan(run, "Select a Billing Plan to configure", run.FormAction(), "POST"); },
     [](RunContext& run) { MakeHTMLBillingPlan(run, "Select a Billing Plan to review", run.FormAction(), "POST"); }},
    {"SHOWPLAN",
     [](RunContext& run) {
         MakeHTMLRatePlan(run, SupervisorPlanHeading, run.FormAction(), "POST");
     },
     [](RunContext& run) {
         MakeHTMLRatePlan(run, "Below are the applicable fees for this rate plan", run.FormAction(), "POST");
     }},
    {"SAVEPLAN",
     [](RunContext& run) {
         if (UCase(GetField("DataAction")) == "DELETE")
             DeleteRatePlan(run);
         else
             SaveRatePlan(run);
     },
     Refuse, true},
    {"DATABASE SETTINGS",
     [](RunContext& run) {
         ShowDatabaseSelection(run);
         EndRun();
     },
     Refuse},
    {"SELECT DATABASE", ChooseDatabase, Refuse, false, false},
};

void ShowMenu(RunContext& run) { ShowMainMenu(run, "Configuration Settings", run.FormAction(), "POST"); }

// The routine that answers, and how its failures end.
struct Page {
    void (*answer)(RunContext&) = Refuse;
    bool showsFailures = false;  // see Route
    bool logsFailures = false;   // a change: its failure is logged before the error page
};

// A change is taken only from a POST, with the fields of its body, and is
// refused when it was posted from a page of another site: a link or an
// image elsewhere sends a GET, and the browser's own word on where a post
// came from tells a supervisor's form from a forged one.
Page Choose(const RunContext& run, const Route* route, const std::string& option) {
    if (!route) return run.IsSupervisor ? Page{ShowMenu, true} : Page{};
    if (!run.IsSupervisor) return route->other == Refuse ? Page{} : Page{route->other, route->showsFailures};
    if (route->changes) {
        const std::string method = EnvValue("REQUEST_METHOD");
        if (method != "POST") {
            LogRefusal("ConfigOption=" + option + " by " + method + "; changes are taken only by POST");
            return Page{};
        }
        const OriginVerdict origin = CheckOrigin();
        if (origin.Foreign) {
            LogRefusal("ConfigOption=" + option + " posted from another site: " + origin.Why);
            return Page{};
        }
        KeepBodyFields({"User", "ConfigOption"});
    }
    return {route->supervisor, route->showsFailures, route->changes};
}

}  // namespace

void ResetRun() { ProcessState::Reset(); }

int Main(const std::string& programFolder, const SupervisorTest& isSupervisor) {
    RunContext run;               // everything this run knows; the pages get it
    bool ignoreFailures = false;  // with Debug on, a failing step is logged and skipped
    int status = 0;
    SetRequestLabel(FailureLineLabel);
    run.Data.ProgramFolder = programFolder;

    // Every failure of the run ends here. A database failure shows the
    // database's error page and ends the run; any other shows the run-time
    // error page, or is logged and skipped while Debug is on (unless the
    // page shows its own failures). A failure of the C++ library is a
    // run-time failure too: no exception leaves Main.
    auto step = [&](auto&& action, Page page = {}) {
        try {
            try {
                action();
            } catch (const std::bad_alloc&) {
                throw RunError(Err::OutOfMemory);
            } catch (const std::out_of_range&) {
                throw RunError(Err::Subscript);
            } catch (const RunError&) {
                throw;
            } catch (const std::exception& e) {
                throw RunError(Err::Internal, ErrorText(Err::Internal) + ": " + e.what());
            }
        } catch (const DbError& e) {
            ReportDbError(e);
            EndRun();
        } catch (const RunError& e) {
            if (ignoreFailures && !page.showsFailures) return DebugLog("(" + std::to_string(e.Number) + ") " + e.Text);
            if (page.logsFailures) DebugLog("(" + std::to_string(e.Number) + ") " + e.Text);
            ReportRunError(e);
        }
    };

    try {
        step([&] {
            try {
                run.Settings = LoadWebSettings(programFolder);
            } catch (const RunError& e) {
                // Settings that cannot be read name no templates: the page
                // is the one that needs none, with this failure on it. Its
                // Request.Bak goes to the program folder, as after
                // LoadRequest (which would change there anyway).
                if (chdir(programFolder.c_str()) != 0) {}  // else the web server's folder holds it
                SendServerMessage(e.Number, e.Text);
                EndRun();
            }
            SetPageFrame({run.Settings.HTMLPath, run.Settings.WebPath, "", run.Settings.File});
        });
        step([&] { ConfigureDebugLog(run.Settings.DebugEnabled, run.Settings.TempPath + "vdconfig.log"); });
        if (run.Settings.DebugEnabled) {
            unlink(DebugLogPath().c_str());
            ignoreFailures = true;
        }
        step([] { DebugLog("vdconfig started at " + GeneralDateTime()); });
        step([] { DebugLog("call loadrequest"); });
        step([&] { LoadRequest(programFolder); });
        // Behind the web server's sign-in, the request acts for the signed-in
        // user only; a refused one reads no user and opens no database.
        // From here on the run's user is the verdict's: behind a sign-in,
        // the signed-in name as the web server spells it.
        bool signInRefused = true;  // until the verdict says otherwise, even when a step is skipped
        step([&] {
            const SignInVerdict verdict = BindUserToSignIn(run.Settings.RequireSignIn);
            if (verdict.Refused) LogRefusal(verdict.Why);
            signInRefused = verdict.Refused;
            if (!verdict.Refused) run.User = verdict.User;
        });
        step([&] {
            if (signInRefused) return;
            SetPageFrame({run.Settings.HTMLPath, run.Settings.WebPath, run.User, run.Settings.File});
        });
        step([&] {
            LoadParameterPath(run.Settings, run.User);
            run.Data.ParameterPath = run.Settings.ParameterPath;
        });
        step([&] {
            if (signInRefused) return;
            run.IsSupervisor = isSupervisor ? isSupervisor(run.User) : SupervisorVerdict(run.Data, run.User);
        });
        std::string option;
        step([&] {
            option = GetField("ConfigOption");
            DebugLog("ConfigOption=" + option);
        });
        const std::string upper = UCase(option);
        const Route* route = nullptr;
        for (const auto& r : Routes)
            if (upper == r.option) {
                route = &r;
                break;
            }
        if (route && route->option == std::string("SHOWPLAN") && !signInRefused)
            step([&] { ScanShowPlan(run.Plan); });
        Page page{nullptr};
        step([&] { page = signInRefused ? Page{} : Choose(run, route, option); });
        if (page.answer) step([&] { page.answer(run); }, page);
        step([] { DebugLog("done!"); });
    } catch (const RunFinished& end) {
        status = end.Status;
    }
    FlushOutput();
    return status;
}

}  // namespace vd

#include "app/Main.h"

#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/MessagePages.h"
#include "cgi/Origin.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "data/Authorization.h"
#include "data/DbError.h"
#include "pages/Pages.h"
#include "pages/RunValues.h"
#include "settings/WebSettings.h"

#include <cstdio>
#include <ctime>
#include <new>
#include <unistd.h>

namespace vd {

namespace {

std::string FormAction() { return WebSettings.WebScriptsPath + "vdconfig.exe"; }

void Refuse() { SendMessagePage("You are not authorized to perform this function.", "", "", "+1", ""); }

// The plan row whose button was pressed on the selection page; the highest
// row number wins.
void ScanShowPlan() {
    for (int i = 0; i <= 99; ++i) {
        const std::string n = std::to_string(i);
        if (GetField("Rate" + n).empty()) continue;
        std::string num = GetField("RateNum" + n);
        RateNum = num == "N" ? NewPlan : CInt(Val(num));
        Appl = GetField("Appl" + n);
        DocType = GetField("DocType" + n);
    }
}

void ChooseDatabase() {
    std::string db = GetField("Database");
    if (db.empty()) {
        SendNotice("No Database Selected");
    } else {
        Appl = db.substr(0, 3);
        DocType = db.size() > 2 ? db.substr(db.size() - 2) : db;
        ShowApplicationConfiguration(Appl, DocType);
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
    void (*supervisor)();
    void (*other)();
    bool changes = false;  // writes vexweb.ini or the databases: refused from another site's page
    // The page's failure ends in its error page even while Debug skips
    // failing steps.
    bool showsFailures = true;
};

// The option after upper-casing decides; the first equal row wins and any
// other text takes the main menu.
const Route Routes[] = {
    {"SAVEINI", [] { SaveWebSettings(); }, Refuse, true},
    {"SERVER AND BROWSER FILE LOCATIONS",
     [] { ShowFileLocationsForm("vexweb.ini settings", FormAction(), "POST"); }, Refuse},
    {"RATE PLANS", [] { MakeHTMLBillingPlan("Select a Billing Plan to configure", FormAction(), "POST"); },
     [] { MakeHTMLBillingPlan("Select a Billing Plan to review", FormAction(), "POST"); }},
    {"SHOWPLAN", [] { MakeHTMLRatePlan("Enter the applicable fees for this rate plan", FormAction(), "POST"); },
     [] { MakeHTMLRatePlan("Below are the applicable fees for this rate plan", FormAction(), "POST"); }},
    {"SAVEPLAN",
     [] {
         if (UCase(GetField("DataAction")) == "DELETE") DeleteRatePlan();
         else SaveRatePlan();
     },
     Refuse, true},
    {"DATABASE SETTINGS",
     [] {
         ShowDatabaseSelection();
         EndRun();
     },
     Refuse},
    {"SELECT DATABASE", ChooseDatabase, Refuse, false, false},
};

void ShowMenu() { ShowMainMenu("Configuration Settings", FormAction(), "POST"); }

// The routine that answers, and how its failures end.
struct Page {
    void (*run)() = Refuse;
    bool showsFailures = false;  // see Route
    bool logsFailures = false;   // a change: its failure is logged before the error page
};

// A change posted from a page of another site is refused: "User" is an
// ordinary field, so the browser's own word on where the post came from
// is what tells a supervisor's form from a forged one.
Page Choose(const Route* route) {
    if (!route) return UserIsSupervisor ? Page{ShowMenu, true} : Page{};
    if (!UserIsSupervisor) return route->other == Refuse ? Page{} : Page{route->other, route->showsFailures};
    if (route->changes) {
        const std::string reason = ForeignOriginReason();
        if (!reason.empty()) {
            DebugLog("refused a post from another site: " + reason);
            return Page{};
        }
    }
    return {route->supervisor, route->showsFailures, route->changes};
}

}  // namespace

void ResetRun() {
    WebSettings = WebSettingsRecord{};
    UserName.clear();
    UserIsSupervisor = false;
    Appl.clear();
    DocType.clear();
    RateNum = 0;
    ConfigureDebugLog(false, "");
    ClearRequest();
    ResetOutput();
}

int Main() { return Main(IsUserSupervisor); }

int Main(const SupervisorTest& isSupervisor) {
    bool ignoreFailures = false;  // with Debug on, a failing step is logged and skipped
    int status = 0;

    // Every failure of the run ends here. A database failure shows the
    // database's error page and ends the run; any other shows the run-time
    // error page, or is logged and skipped while Debug is on (unless the
    // page shows its own failures).
    auto step = [&](auto&& action, Page page = {}) {
        try {
            try {
                action();
            } catch (const std::bad_alloc&) {
                throw RunError(Err::OutOfMemory);
            } catch (const std::out_of_range& e) {
                throw RunError(Err::Subscript);
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
        step([] { LoadWebSettings(); });
        step([] { ConfigureDebugLog(WebSettings.DebugEnabled, WebSettings.TempPath + "vdconfig.log"); });
        if (WebSettings.DebugEnabled) {
            unlink(DebugLogPath().c_str());
            ignoreFailures = true;
        }
        step([] { DebugLog("vdconfig started at " + GeneralDateTime()); });
        step([] { DebugLog("call loadrequest"); });
        step([] { LoadRequest(); });
        step([] {
            UserName = GetField("User");
            SetGraphicUser(UserName);
        });
        step([] { LoadParameterPath(UserName); });
        step([&] { UserIsSupervisor = isSupervisor(GetField("User")); });
        std::string option;
        step([&] {
            option = GetField("ConfigOption");
            DebugLog("ConfigOption=" + option);
        });
        const std::string upper = UCase(option);
        const Route* route = nullptr;
        for (const auto& r : Routes)
            if (upper == r.option) { route = &r; break; }
        if (route && route->option == std::string("SHOWPLAN")) step([] { ScanShowPlan(); });
        Page page{nullptr};
        step([&] { page = Choose(route); });
        if (page.run) step(page.run, page);
        step([] { DebugLog("done!"); });
    } catch (const EndOfRun& end) {
        status = end.Status;
    }
    FlushOutput();
    return status;
}

}  // namespace vd

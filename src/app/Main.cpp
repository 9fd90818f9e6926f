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

// What a row of the dispatch table needs, checked once before its page runs.
enum RouteNeeds : unsigned {
    // Writes vexweb.ini or the databases: taken only from a POST of this
    // site's own pages.
    Changes = 1u << 0,
    // The page's failure ends in its error page even while Debug skips
    // failing steps.
    ShowsFailures = 1u << 1,
    // The plan row whose button was pressed on the selection page is read
    // before the page runs.
    PressedPlanRow = 1u << 2,
};

struct Route {
    const char* option;
    void (*supervisor)(RunContext&);
    void (*other)(RunContext&);
    unsigned needs = ShowsFailures;
    // DataAction=DELETE takes this answer for a supervisor instead.
    void (*onDelete)(RunContext&) = nullptr;
};

void ShowSettingsForm(RunContext& run) { ShowFileLocationsForm(run, SettingsFormHeading, run.FormAction(), "POST"); }
void ConfigurePlans(RunContext& run) {
    MakeHTMLBillingPlan(run, "Select a Billing Plan to configure", run.FormAction(), "POST");
}
void ReviewPlans(RunContext& run) { MakeHTMLBillingPlan(run, "Select a Billing Plan to review", run.FormAction(), "POST"); }
void ConfigurePlan(RunContext& run) { MakeHTMLRatePlan(run, SupervisorPlanHeading, run.FormAction(), "POST"); }
void ReviewPlan(RunContext& run) {
    MakeHTMLRatePlan(run, "Below are the applicable fees for this rate plan", run.FormAction(), "POST");
}
void SelectDatabase(RunContext& run) {
    ShowDatabaseSelection(run);
    EndRun();
}

// The option after upper-casing decides; the first equal row wins and any
// other text takes the main menu.
const Route Routes[] = {
    {"SAVEINI", SaveWebSettings, Refuse, Changes | ShowsFailures},
    {"SERVER AND BROWSER FILE LOCATIONS", ShowSettingsForm, Refuse},
    {"RATE PLANS", ConfigurePlans, ReviewPlans},
    {"SHOWPLAN", ConfigurePlan, ReviewPlan, PressedPlanRow | ShowsFailures},
    {"SAVEPLAN", SaveRatePlan, Refuse, Changes | ShowsFailures, DeleteRatePlan},
    {"DATABASE SETTINGS", SelectDatabase, Refuse},
    {"SELECT DATABASE", ChooseDatabase, Refuse, 0},
    {"HISTORY", ShowHistory, Refuse},
    {"RESTOREINI", RestoreSettingsVersion, Refuse, Changes | ShowsFailures},
    {"RESTOREPLAN", RestoreDeletedPlan, Refuse, Changes | ShowsFailures},
};

const Route* RouteOf(const std::string& option) {
    const std::string upper = UCase(option);
    for (const auto& r : Routes)
        if (upper == r.option) return &r;
    return nullptr;
}

void ShowMenu(RunContext& run) { ShowMainMenu(run, "Configuration Settings", run.FormAction(), "POST"); }

// The routine that answers, and how its failures end.
struct Page {
    void (*answer)(RunContext&) = Refuse;
    bool showsFailures = false;  // see RouteNeeds
    bool logsFailures = false;   // a change: its failure is logged before the error page
};

// A change is taken only from a POST, with the fields of its body, and is
// refused when it was posted from a page of another site: a link or an
// image elsewhere sends a GET, and the browser's own word on where a post
// came from tells a supervisor's form from a forged one.
bool ChangeAccepted(const std::string& option) {
    const std::string method = EnvValue("REQUEST_METHOD");
    if (method != "POST") {
        LogRefusal("ConfigOption=" + option + " by " + method + "; changes are taken only by POST");
        return false;
    }
    const OriginVerdict origin = CheckOrigin();
    if (origin.Foreign) {
        LogRefusal("ConfigOption=" + option + " posted from another site: " + origin.Why);
        return false;
    }
    KeepBodyFields({"User", "ConfigOption"});
    return true;
}

Page Choose(const RunContext& run, const Route* route, const std::string& option) {
    if (!route) return run.IsSupervisor ? Page{ShowMenu, true} : Page{};
    const bool showsFailures = (route->needs & ShowsFailures) != 0;
    if (!run.IsSupervisor) return route->other == Refuse ? Page{} : Page{route->other, showsFailures};
    const bool changes = (route->needs & Changes) != 0;
    if (changes && !ChangeAccepted(option)) return Page{};
    void (*answer)(RunContext&) = route->supervisor;
    if (route->onDelete && UCase(GetField("DataAction")) == "DELETE") answer = route->onDelete;
    return {answer, showsFailures, changes};
}

// One run: its steps in order, each failure ending as the run's failures
// end (see Step).
class Run {
public:
    Run(const std::string& programFolder, const SupervisorTest& isSupervisor)
        : programFolder_(programFolder), isSupervisor_(isSupervisor) {
        run_.Data.ProgramFolder = programFolder;
    }

    void Start();
    void ReadRequest();
    void Answer();

private:
    template <class Action>
    void Step(Action&& action, Page page = {});

    RunContext run_;               // everything this run knows; the pages get it
    const std::string& programFolder_;
    const SupervisorTest& isSupervisor_;
    bool ignoreFailures_ = false;  // with Debug on, a failing step is logged and skipped
    // Behind the web server's sign-in, the request acts for the signed-in
    // user only; a refused one reads no user and opens no database. Refused
    // until the verdict says otherwise, even when a step is skipped.
    bool signInRefused_ = true;
};

// Every failure of the run ends here. A database failure shows the
// database's error page and ends the run; any other shows the run-time
// error page, or is logged and skipped while Debug is on (unless the page
// shows its own failures). A failure of the C++ library is a run-time
// failure too: no exception leaves Main.
template <class Action>
void Run::Step(Action&& action, Page page) {
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
        if (ignoreFailures_ && !page.showsFailures) return DebugLog("(" + std::to_string(e.Number) + ") " + e.Text);
        if (page.logsFailures) DebugLog("(" + std::to_string(e.Number) + ") " + e.Text);
        ReportRunError(e);
    }
}

// The settings, the debug log, the first lines of the log.
void Run::Start() {
    Step([&] {
        try {
            run_.Settings = LoadWebSettings(programFolder_);
        } catch (const RunError& e) {
            // Settings that cannot be read name no templates: the page is
            // the one that needs none, with this failure on it. Its
            // Request.Bak goes to the program folder, as after LoadRequest
            // (which would change there anyway).
            if (chdir(programFolder_.c_str()) != 0) {}  // else the web server's folder holds it
            SendServerMessage(e.Number, e.Text);
            EndRun();
        }
        SetPageFrame({run_.Settings.HTMLPath, run_.Settings.WebPath, "", run_.Settings.File});
    });
    Step([&] { ConfigureDebugLog(run_.Settings.DebugEnabled, run_.Settings.TempPath + "vdconfig.log"); });
    if (run_.Settings.DebugEnabled) {
        unlink(DebugLogPath().c_str());
        ignoreFailures_ = true;
    }
    Step([] { DebugLog("vdconfig started at " + GeneralDateTime()); });
}

// The request, the sign-in verdict, the user and whether a supervisor.
void Run::ReadRequest() {
    Step([] { DebugLog("call loadrequest"); });
    Step([&] { LoadRequest(programFolder_); });
    // What the query string and the cookies show is judged before the body
    // is read, so a request refused on them reads none of it. From the
    // verdict on, the run's user is the verdict's: behind a sign-in, the
    // signed-in name as the web server spells it.
    auto judge = [&](SignInVerdict (*check)(bool)) {
        const SignInVerdict verdict = check(run_.Settings.RequireSignIn);
        if (verdict.Refused) LogRefusal(verdict.Why);
        signInRefused_ = verdict.Refused;
        if (!verdict.Refused) run_.User = verdict.User;
    };
    Step([&] { judge(CheckSignIn); });
    if (!signInRefused_) {
        signInRefused_ = true;  // until the whole request is judged, even when a step is skipped
        Step([&] { LoadRequestBody(); });
        Step([&] { judge(BindUserToSignIn); });
    }
    Step([&] {
        if (signInRefused_) return;
        SetPageFrame({run_.Settings.HTMLPath, run_.Settings.WebPath, run_.User, run_.Settings.File});
    });
    Step([&] {
        LoadParameterPath(run_.Settings, run_.User);
        run_.Data.ParameterPath = run_.Settings.ParameterPath;
    });
    Step([&] {
        if (signInRefused_) return;
        run_.IsSupervisor = isSupervisor_ ? isSupervisor_(run_.User) : SupervisorVerdict(run_.Data, run_.User);
    });
}

// The page of the option asked for, as its row of the table says.
void Run::Answer() {
    std::string option;
    Step([&] {
        option = GetField("ConfigOption");
        DebugLog("ConfigOption=" + option);
    });
    const Route* route = RouteOf(option);
    if (route && (route->needs & PressedPlanRow) && !signInRefused_) Step([&] { ScanShowPlan(run_.Plan); });
    Page page{nullptr};
    Step([&] { page = signInRefused_ ? Page{} : Choose(run_, route, option); });
    if (page.answer) Step([&] { page.answer(run_); }, page);
    Step([] { DebugLog("done!"); });
}

}  // namespace

void ResetRun() { ProcessState::Reset(); }

int Main(const std::string& programFolder, const SupervisorTest& isSupervisor) {
    SetRequestLabel(FailureLineLabel);
    Run run(programFolder, isSupervisor);
    int status = 0;
    try {
        run.Start();
        run.ReadRequest();
        run.Answer();
    } catch (const RunFinished& end) {
        status = end.Status;
    }
    FlushOutput();
    return status;
}

}  // namespace vd

// Who a request is from. Behind the web server's authentication
// (REMOTE_USER set and not empty) the signed-in name decides, spelt as the
// web server spells it: a request that names no "User", or whose every
// "User" is the signed-in name letter case aside, acts for the signed-in
// user; one that names anybody else is refused. "admin" signed in as
// "ADMIN" is the user "ADMIN", whatever the request says. Without a
// sign-in, the request's "User" is the user, and a site whose vexweb.ini
// says RequireSignIn=TRUE refuses every request.
#pragma once

#include <string>

namespace vd {

struct SignInVerdict {
    bool Refused = false;
    std::string Why;   // a refusal's reason, for the web server's error log
    std::string User;  // the run's user: the one the supervisor test, the trail and the pages see
};

// The verdict on the fields loaded so far, changing nothing: before the
// body is read it refuses what the environment, the query string and the
// cookies already show.
SignInVerdict CheckSignIn(bool requireSignIn);

// Decides, after the request is loaded; a request that names no user gets
// the field "User" of the signed-in name.
SignInVerdict BindUserToSignIn(bool requireSignIn);

}  // namespace vd

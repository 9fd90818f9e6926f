#include "cgi/SignIn.h"

#include "base/TextUtil.h"
#include "cgi/Request.h"

namespace vd {

SignInVerdict CheckSignIn(bool requireSignIn) {
    const std::string signedIn = EnvValue("REMOTE_USER");
    if (signedIn.empty()) {
        if (requireSignIn) return {true, "no signed-in user, and vexweb.ini says RequireSignIn=TRUE", ""};
        return {false, "", GetField("User")};
    }
    if (HasControlBytes(signedIn)) return {true, "the signed-in user " + signedIn + " is not plain text", ""};
    for (const std::string& user : FieldValues("User"))
        if (!EqualsNoCase(user, signedIn)) return {true, "User=" + user + " is not the signed-in user " + signedIn, ""};
    return {false, "", signedIn};
}

SignInVerdict BindUserToSignIn(bool requireSignIn) {
    const SignInVerdict verdict = CheckSignIn(requireSignIn);
    const std::string signedIn = EnvValue("REMOTE_USER");
    if (!verdict.Refused && !signedIn.empty() && FieldValues("User").empty()) StoreField("User", signedIn);
    return verdict;
}

}  // namespace vd

#include "cgi/SignIn.h"

#include "base/TextUtil.h"
#include "cgi/Request.h"

namespace vd {

SignInVerdict BindUserToSignIn(bool requireSignIn) {
    const std::string signedIn = EnvValue("REMOTE_USER");
    if (signedIn.empty()) {
        if (requireSignIn) return {true, "no signed-in user, and vexweb.ini says RequireSignIn=TRUE", ""};
        return {false, "", GetField("User")};
    }
    if (HasControlBytes(signedIn)) return {true, "the signed-in user " + signedIn + " is not plain text", ""};
    const auto& named = FieldValues("User");
    for (const std::string& user : named)
        if (!EqualsNoCase(user, signedIn)) return {true, "User=" + user + " is not the signed-in user " + signedIn, ""};
    if (named.empty()) StoreField("User", signedIn);
    return {false, "", signedIn};
}

}  // namespace vd

#include "cgi/Origin.h"

#include "base/TextUtil.h"
#include "cgi/Request.h"

namespace vd {

namespace {

std::string DefaultPort(std::string_view scheme) {
    if (scheme == "http") return "80";
    if (scheme == "https") return "443";
    return "";
}

// Whether an authority names its port: a colon after the host (an IPv6
// host is in brackets).
bool HasPort(std::string_view authority) {
    const size_t bracket = authority.rfind(']');
    const size_t colon = authority.rfind(':');
    return colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket);
}

// scheme://host[:port] from a scheme and an authority (host and port).
std::string Join(std::string scheme, std::string_view authority) {
    std::string host = LCase(authority);
    if (HasPort(host)) {
        const size_t colon = host.rfind(':');
        const std::string port = host.substr(colon + 1);
        if (port.empty() || port == DefaultPort(scheme)) host.erase(colon);
    }
    if (host.empty()) return "";
    return scheme + "://" + host;
}

}  // namespace

std::string OriginOf(std::string_view url) {
    const size_t sep = url.find("://");
    if (sep == std::string_view::npos || sep == 0) return "";
    const std::string scheme = LCase(url.substr(0, sep));
    for (char c : scheme)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) return "";
    std::string_view authority = url.substr(sep + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority.remove_prefix(at + 1);
    return Join(scheme, authority);
}

std::string OwnOrigin() {
    const std::string https = LCase(EnvValue("HTTPS"));
    std::string scheme = LCase(EnvValue("REQUEST_SCHEME"));
    if (!https.empty() && https != "off") scheme = "https";
    if (scheme.empty()) scheme = "http";
    std::string host = EnvValue("HTTP_HOST");
    if (host.empty()) host = EnvValue("SERVER_NAME");
    // A host without its port (nginx passes $host so) is on the port the
    // server took the request on.
    const std::string port = EnvValue("SERVER_PORT");
    if (!host.empty() && !port.empty() && !HasPort(host)) host += ":" + port;
    return Join(scheme, host);
}

OriginVerdict CheckOrigin() {
    // An empty header counts as none: no browser sends one, and some
    // servers pass every variable they know.
    const std::string origin = EnvValue("HTTP_ORIGIN");
    const std::string referer = EnvValue("HTTP_REFERER");
    if (origin.empty() && referer.empty()) return {};
    const std::string& named = origin.empty() ? referer : origin;
    const std::string own = OwnOrigin();
    if (!own.empty() && OriginOf(named) == own) return {};
    return {true, std::string(origin.empty() ? "Referer " : "Origin ") + named + " is not " +
                      (own.empty() ? "known" : own)};
}

}  // namespace vd

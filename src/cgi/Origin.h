// Whether a request comes from a page of another web site: the browser
// names the page's origin in Origin (or, without it, in Referer).
#pragma once

#include <string>
#include <string_view>

namespace vd {

// "scheme://host[:port]" in lower case, without the scheme's default port;
// "" when the text does not start with an origin. A URL's path, query and
// user information are not part of it.
std::string OriginOf(std::string_view url);

// The request's own origin: the scheme from HTTPS or REQUEST_SCHEME, the
// host from HTTP_HOST (SERVER_NAME without it), the port from the host, or
// SERVER_PORT when the host names none.
std::string OwnOrigin();

// Whether the request names another origin than its own, and why. A
// request with neither Origin nor Referer (or with both empty) names none.
struct OriginVerdict {
    bool Foreign = false;
    std::string Why;  // "Origin https://elsewhere is not http://here"
};
OriginVerdict CheckOrigin();

}  // namespace vd

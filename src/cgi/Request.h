// The request: environment, body, query string and cookies, merged into one
// table of named fields.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

// Largest request body read; a larger CONTENT_LENGTH is failure 6.
constexpr long long MaxContentLength = 16LL * 1024 * 1024;

// More fields than any page posts: a body with more is refused whole.
constexpr size_t MaxBodyFields = 10000;

// Makes the program folder the working folder (Request.Bak is written
// there) and fills the field table from the environment, the query string
// and the cookies; the body waits for LoadRequestBody, so that a request
// refused at sign-in reads none of it. Outside a web server (no
// REQUEST_METHOD) the message goes to standard error and the run ends
// (RunFinished, status 1).
void LoadRequest(const std::string& programFolder);

// Reads the body and adds its fields, ahead of those of the query string
// and the cookies (GetField lists the body's values first). A
// CONTENT_LENGTH that is no length is failure 5; one over MaxContentLength,
// or a body of more than MaxBodyFields fields, failure 6, with no field of
// the body stored.
void LoadRequestBody();

// The pieces of text with a name (not empty, not "=value"), counted up to
// one past atMost.
size_t CountFields(std::string_view text, std::string_view separator, size_t atMost);

// The field's values joined with ", ", or "" when absent. Names are
// compared without regard to case.
std::string GetField(std::string_view name);

// One environment variable of the request; "" when it is not set.
std::string EnvValue(const char* name);

// Every environment entry followed by one NUL.
std::string ServerVariables();
// The request body: CONTENT_LENGTH bytes of standard input at most.
std::string StandardIn();
// Splits text at separator into name=value pairs and stores them decoded.
// The text is consumed.
void ParsePairs(std::string& text, std::string_view separator);
void StoreField(const std::string& name, std::string value);

// Where a value came from: the environment, the body, the query string,
// the cookies, or the program itself (a value it stored after reading).
enum class FieldSource { Environment, Body, Query, Cookie, Program };

// Drops the values that the query string and the cookies gave, but for the
// fields named: a change takes its fields from the body alone.
void KeepBodyFields(std::initializer_list<std::string_view> alsoNamedElsewhere);

std::string UrlDecode(std::string_view textIn);
std::string UrlEncode(std::string_view text);

// Writes the table to "Request.Bak" in the current folder.
void BackupRequest();

// The request as a failure line names it: "; ConfigOption=OPTION User=USER",
// either part left out when its field is empty (base/FailureLog.h).
std::string FailureLineLabel();

// One field's values (names compared without regard to case).
const std::vector<std::string>& FieldValues(std::string_view name);

}  // namespace vd

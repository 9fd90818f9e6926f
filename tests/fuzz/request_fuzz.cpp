// The request intake: LoadRequest and LoadRequestBody with a fuzzed query string, cookie,
// environment and body. Input: query, NUL, cookie, NUL, environment entries
// each followed by NUL, an empty entry, then the body. Every field stored
// can be looked up under any case, and every name and value survives the
// request backup's encoding.
#include "base/ProcessState.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Request.h"
#include "../support/RequestNames.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

// LoadRequest changes to the program folder: here that is the folder the
// fuzzer started in, whose relative corpus paths must keep working.
std::string& ProgramFolder() {
    static std::string folder;
    return folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) std::abort();
    ProgramFolder() = cwd;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    auto take = [&in] {
        size_t nul = in.find('\0');
        std::string part(in.substr(0, nul));
        in = nul == in.npos ? std::string_view() : in.substr(nul + 1);
        return part;
    };
    const std::string query = take(), cookie = take();
    clearenv();
    for (std::string entry = take(); !entry.empty(); entry = take()) {
        size_t eq = entry.find('=');
        if (eq == 0 || eq == std::string::npos) continue;
        setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
    }
    const std::string body(in.substr(0, 60000));
    setenv("REQUEST_METHOD", "POST", 0);
    setenv("QUERY_STRING", query.c_str(), 1);
    setenv("HTTP_COOKIE", cookie.c_str(), 1);
    setenv("CONTENT_LENGTH", std::to_string(body.size()).c_str(), 0);

    int pipeFds[2];
    if (pipe(pipeFds) != 0) std::abort();
    if (!body.empty() && write(pipeFds[1], body.data(), body.size()) != static_cast<ssize_t>(body.size())) std::abort();
    close(pipeFds[1]);
    dup2(pipeFds[0], STDIN_FILENO);
    close(pipeFds[0]);

    vd::ProcessState::Reset();
    try {
        vd::LoadRequest(ProgramFolder());
        vd::LoadRequestBody();
    } catch (const vd::RunError&) {
        return 0;  // a CONTENT_LENGTH that is no length or too large
    } catch (const vd::RunFinished&) {
        return 0;  // an empty REQUEST_METHOD
    }
    for (const std::string& name : vdtest::RequestFieldNames()) {
        const auto& values = vd::FieldValues(name);
        if (name.empty() || values.empty() || vd::FieldValues(vd::UCase(name)).size() != values.size())
            __builtin_trap();
        if (vd::UrlDecode(vd::UrlEncode(name)) != name) __builtin_trap();
        for (const auto& v : values)
            if (vd::UrlDecode(vd::UrlEncode(v)) != v) __builtin_trap();
    }
    return 0;
}

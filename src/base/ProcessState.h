// What the program keeps outside the run's context: each layer's module
// state (the request's fields, the response, the INI files read, the debug
// and failure logs, the grid numbering) is one struct of that layer's, and
// all of them live here, each made on its first use. Reset destroys every
// one: the next use makes it anew, so a run after a Reset starts from
// nothing, whatever a layer keeps. A CGI process answers one request; tests
// answer several in one process and reset between them (ResetRun, app).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace vd {

class ProcessState {
public:
    // The one State of the process: a struct that a layer keeps in its own
    // unit, default-constructed when first asked for after a Reset.
    template <class State>
    static State& Of() {
        static const size_t slot = NextSlot();  // which slot is State's, fixed for the process
        std::vector<std::unique_ptr<Held>>& held = Slots();
        if (slot >= held.size()) held.resize(slot + 1);
        if (!held[slot]) held[slot] = std::make_unique<Holder<State>>();
        return static_cast<Holder<State>&>(*held[slot]).state;
    }

    // Destroys every layer's state.
    static void Reset();

private:
    struct Held {
        virtual ~Held() = default;
    };
    template <class State>
    struct Holder final : Held {
        State state{};
    };
    static size_t NextSlot();
    static std::vector<std::unique_ptr<Held>>& Slots();
};

}  // namespace vd

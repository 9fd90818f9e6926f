#include "data/DbError.h"

#include "cgi/MessagePages.h"
#include "cgi/Output.h"

namespace vd {

DbError::DbError(long native, std::string state, std::string message, bool shown)
    : RunError(static_cast<int>(native), state + message),
      Native(native),
      State(std::move(state)),
      Message(std::move(message)),
      Shown(shown),
      NumberText((native >= 0 ? " " : "") + std::to_string(native)) {}

DbError::DbError(std::string sentence) : RunError(0, sentence), Message(std::move(sentence)) {}

void ReportDbError(const DbError& failure) {
    if (failure.Shown) SendErrorPage(Frame().WebPath + "vdgenerr.html", failure.NumberText, failure.Text);
}

}  // namespace vd

// The databases of the parameters database's DocumentTypes: one row per
// application and document type.
#pragma once

#include <string>

#include "data/Databases.h"

namespace vd {

// Whether DocumentTypes has the row of this application and document type,
// compared as the database compares text; an empty code names none and
// touches no database. Read on the run's parameters connection.
bool NamesDatabase(Databases& databases, const std::string& appl, const std::string& docType);

}  // namespace vd

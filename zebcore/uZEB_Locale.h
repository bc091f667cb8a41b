// The user locale's decimal separator, the only locale fact the engine uses.
#pragma once

namespace zeb {

// Read from the user's locale settings now, whatever the host program chose.
char ReadUserDecimalSeparator();

// The separator read when the library was loaded; the float text form uses it.
char LoadTimeDecimalSeparator();

}  // namespace zeb

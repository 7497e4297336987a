#pragma once

namespace numio {

// Lets screen readers read ProtocolText and move its caret and selection. Safe to call often.
void installProtocolTextAccessible();

} // namespace numio

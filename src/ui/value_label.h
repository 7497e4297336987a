#pragma once

class QLabel;
class QString;

namespace numio {

// A label that shows a changing value (a count, the grade, the problem): a screen reader reads
// the value as its name and, while it is empty, what the value is (`what`, also its description),
// instead of the title of the frame around it.
void markValueLabel(QLabel* label, const QString& what);

} // namespace numio

#pragma once

namespace numio {

class Reports;

// The overviews' plug-in, loaded on first use and kept until the program ends (the dialogs it
// builds run its code). Throws Failure 53 when it cannot be found or is not the plug-in this
// program was built with.
Reports& loadReports();

} // namespace numio

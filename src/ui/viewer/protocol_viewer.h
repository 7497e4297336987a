#pragma once

#include "platform/dialogs.h"
#include "platform/text_files.h"
#include "ui/viewer/protocol_text.h"

#include <QDialog>

namespace numio {

// frmProtokol: the whole protocol file, read when the window is built. Build one for every
// showing, so lines written in the meantime are there.
class ProtocolViewer : public QDialog {
    Q_OBJECT
  public:
    // pupil: whose journal it is, named in the caption; empty without pupils.
    ProtocolViewer(TextFiles& files, const QString& path, Dialogs& dialogs, QWidget* owner,
                   const QString& pupil = {});

    ProtocolText* dfProtokol() const { return dfProtokol_; }

  private:
    static QString load(TextFiles& files, const QString& path, Dialogs& dialogs);

    ProtocolText* dfProtokol_;
};

} // namespace numio

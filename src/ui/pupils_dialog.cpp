#include "ui/pupils_dialog.h"

#include "platform/guard.h"

#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace numio {

namespace {

QPushButton* newButton(const QString& text, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    // Enter belongs to the list and the name box; a button takes it only while it has the focus.
    b->setAutoDefault(false);
    return b;
}

QString journalSentence(const QString& journal) {
    return journal.isEmpty() ? QString()
                             : QStringLiteral(" Protokol zůstává v souboru %1.").arg(displayPath(journal));
}

} // namespace

PupilsDialog::PupilsDialog(PupilSession& session, const StoredSettings& current, Dialogs& dialogs,
                           QWidget* owner)
    : QDialog(owner), session_(session), list_(session.list()), current_(current), dialogs_(dialogs),
      lstPupils_(new QListWidget(this)), dfName_(new QLineEdit(this)), lblMessage_(new QLabel(this)),
      pbAdd_(newButton(QStringLiteral("&Přidat"), QStringLiteral("pbAdd"), this)),
      pbRename_(newButton(QStringLiteral("Př&ejmenovat"), QStringLiteral("pbRename"), this)),
      pbRemove_(newButton(QStringLiteral("&Odebrat"), QStringLiteral("pbRemove"), this)),
      pbPick_(newButton(QStringLiteral("&Vybrat"), QStringLiteral("pbPick"), this)),
      pbClose_(newButton(QStringLiteral("&Zavřít"), QStringLiteral("pbClose"), this)) {
    setObjectName(QStringLiteral("dlgPupils"));
    setWindowTitle(QStringLiteral("Žáci"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* listLabel = new QLabel(QStringLiteral("Žá&ci:"), this);
    listLabel->setBuddy(lstPupils_);
    lstPupils_->setObjectName(QStringLiteral("lstPupils"));
    lstPupils_->setAccessibleName(QStringLiteral("Žáci"));
    lstPupils_->setMinimumSize(260, 200);
    auto* nameLabel = new QLabel(QStringLiteral("&Jméno:"), this);
    nameLabel->setBuddy(dfName_);
    dfName_->setObjectName(QStringLiteral("dfName"));
    dfName_->setAccessibleName(QStringLiteral("Jméno žáka"));
    dfName_->setPlaceholderText(QStringLiteral("Jméno Příjmení"));
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setWordWrap(true);
    lblMessage_->setTextFormat(Qt::PlainText);
    lblMessage_->setMinimumHeight(lblMessage_->fontMetrics().lineSpacing() * 3);
    lblMessage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {pbAdd_, pbRename_, pbRemove_, pbPick_})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(pbClose_);

    auto* grid = new QGridLayout(this);
    grid->addWidget(listLabel, 0, 0);
    grid->addWidget(lstPupils_, 1, 0);
    grid->addLayout(buttons, 1, 1);
    auto* name = new QHBoxLayout;
    name->addWidget(nameLabel);
    name->addWidget(dfName_, 1);
    grid->addLayout(name, 2, 0, 1, 2);
    grid->addWidget(lblMessage_, 3, 0, 1, 2);
    setTabOrder(lstPupils_, dfName_);
    setTabOrder(dfName_, pbAdd_);
    setTabOrder(pbAdd_, pbRename_);
    setTabOrder(pbRename_, pbRemove_);
    setTabOrder(pbRemove_, pbPick_);
    setTabOrder(pbPick_, pbClose_);

    connect(lstPupils_, &QListWidget::itemSelectionChanged, this,
            guard(dialogs_, [this] { selectionChanged(); }));
    connect(lstPupils_, &QListWidget::itemDoubleClicked, this, guard(dialogs_, [this] { pickSelected(); }));
    connect(pbAdd_, &QPushButton::clicked, this, guard(dialogs_, [this] { add(); }));
    connect(pbRename_, &QPushButton::clicked, this, guard(dialogs_, [this] { renameSelected(); }));
    connect(pbRemove_, &QPushButton::clicked, this, guard(dialogs_, [this] { removeSelected(); }));
    connect(pbPick_, &QPushButton::clicked, this, guard(dialogs_, [this] { pickSelected(); }));
    connect(pbClose_, &QPushButton::clicked, this, guard(dialogs_, [this] { reject(); }));
    connect(dfName_, &QLineEdit::textChanged, this, guard(dialogs_, [this](const QString& text) {
                if (text.isEmpty())
                    nameOfSelected_ = false;
                followEnter();
            }));

    const std::optional<Pupil> chosen = session_.comingPupil();
    fill(chosen ? chosen->id : QString());
    if (list_.empty()) {
        tell(QStringLiteral("Zatím tu není žádný žák. Napište jméno a stiskněte Přidat; první žák převezme "
                            "dosavadní nastavení i protokol."));
        dfName_->setFocus();
    } else {
        tell(QStringLiteral("Vyberte žáka a stiskněte Vybrat, nebo napište jméno nového žáka a stiskněte "
                            "Přidat."));
        lstPupils_->setFocus();
    }
}

void fillPupilList(QListWidget* list, const QList<Pupil>& pupils, const QString& selectId) {
    list->clear();
    for (const Pupil& p : pupils) {
        auto* item = new QListWidgetItem(p.name, list);
        item->setData(Qt::UserRole, p.id);
        if (p.id == selectId)
            list->setCurrentItem(item);
    }
}

// The damaged entries last, marked, each saying why it cannot be used: it can be renamed or removed.
void PupilsDialog::fill(const QString& selectId) {
    fillPupilList(lstPupils_, list_.pupils(), selectId);
    // The pupil whose settings and journal are in force (or, with none, the one who will practise),
    // marked so that a parent acts on the right one.
    if (const std::optional<Pupil> now = session_.comingPupil()) {
        for (int i = 0; i < lstPupils_->count(); ++i) {
            QListWidgetItem* item = lstPupils_->item(i);
            if (item->data(Qt::UserRole).toString() != now->id)
                continue;
            item->setText(now->name + QStringLiteral(" (právě cvičí)"));
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
    }
    for (const DamagedPupil& d : list_.damaged()) {
        const QString name = tidyPupilName(d.name).isEmpty()
                                 ? QStringLiteral("bez jména")
                                 : QStringLiteral("„%1“").arg(shownPupilName(d.name));
        auto* item = new QListWidgetItem(QStringLiteral("(poškozený záznam) ") + name, lstPupils_);
        item->setData(Qt::UserRole, d.id);
        item->setToolTip(d.reason);
        item->setData(Qt::AccessibleDescriptionRole, d.reason);
        if (d.id == selectId)
            lstPupils_->setCurrentItem(item);
    }
    selectionChanged();
}

QString PupilsDialog::selectedId() const {
    const QList<QListWidgetItem*> selected = lstPupils_->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->data(Qt::UserRole).toString();
}

std::optional<DamagedPupil> PupilsDialog::selectedDamaged() const {
    const QString id = selectedId();
    for (const DamagedPupil& d : list_.damaged())
        if (d.id == id && !id.isEmpty())
            return d;
    return std::nullopt;
}

void PupilsDialog::selectionChanged() {
    const std::optional<Pupil> p = list_.find(selectedId());
    const std::optional<DamagedPupil> d = selectedDamaged();
    for (QPushButton* b : {pbRename_, pbRemove_})
        b->setEnabled(p || d);
    pbPick_->setEnabled(p.has_value());
    if (p)
        dfName_->setText(p->name);
    if (d)
        dfName_->setText(repairedPupilName(d->name));
    nameOfSelected_ = p || d;
    followEnter();
    if (d) {
        tell(d->reason +
             QStringLiteral(" Upravte jméno, je-li třeba, a stiskněte Přejmenovat, nebo záznam odeberte."));
    }
}

// The label's name is what a screen reader says, so it carries the text.
void PupilsDialog::tell(const QString& text) {
    lblMessage_->setText(text);
    lblMessage_->setAccessibleName(text);
}

template <class F> bool PupilsDialog::stored(F&& change) {
    try {
        change();
        return true;
    } catch (const Failure& f) {
        dialogs_.failure(f);
        return false;
    }
}

void PupilsDialog::add() {
    const QString name = dfName_->text();
    if (const QString problem = pupilNameProblem(name, list_.pupils()); !problem.isEmpty()) {
        tell(problem);
        dfName_->setFocus();
        return;
    }
    const bool first = list_.empty();
    // What a removed pupil left under the id this name gives is taken only by the same name, and only
    // when the user says it is the same pupil; a name the list tells apart never gets it.
    const QString byName = list_.idFor(name), removed = list_.removedName(byName),
                  settingsFile = list_.settingsFileOf(byName);
    const QStringList left = list_.leftFiles(byName);
    const QString takeOver =
        list_.mayTakeOver(name) && sameAsRemoved(name, removed, left, first, settingsFile) ? byName
                                                                                           : QString();
    PupilSession::Added result;
    if (!stored([&] { result = session_.add(name, current_, takeOver); }))
        return;
    const Pupil& added = result.pupil;
    fill(added.id);
    // Ready for the next name.
    dfName_->clear();
    const QString journal = list_.journalOf(added.id);
    const bool takenBack = !takeOver.isEmpty() && added.id == takeOver;
    const bool ownSettings = takenBack && left.contains(settingsFile);
    QString text =
        ownSettings ? QStringLiteral("Přidáno: %1. Převzato jeho dřívější nastavení").arg(added.name) +
                          (journal.isEmpty() ? QStringLiteral(".")
                                             : QStringLiteral(", protokol %1.").arg(displayPath(journal)))
        : first && !current_.ProtokolFile.isEmpty()
            ? QStringLiteral("Přidáno: %1. Převzato dosavadní nastavení i protokol.").arg(added.name)
        : first ? QStringLiteral("Přidáno: %1. Převzato dosavadní nastavení, protokol %2.")
                      .arg(added.name, displayPath(journal))
                : QStringLiteral("Přidáno: %1, protokol %2.").arg(added.name, displayPath(journal));
    if (takenBack && left.size() > (ownSettings ? 1 : 0))
        text += QStringLiteral(" Převzaty i jeho dřívější zapamatované odpovědi.");
    if (result.answersFailure)
        dialogs_.failure(*result.answersFailure);
    text += result.answers == PupilSession::Added::Answers::Joined
                ? QStringLiteral(" Připojeny k nim i odpovědi zapamatované bez žáků.")
            : result.answers == PupilSession::Added::Answers::Moved
                ? QStringLiteral(" Převzaty i zapamatované odpovědi.")
                : QString();
    if (!left.isEmpty() && !takenBack)
        text += QStringLiteral(" Soubory dříve odebraného žáka zůstávají stranou, jak byly.");
    tell(text);
}

bool PupilsDialog::sameAsRemoved(const QString& name, const QString& removed, const QStringList& left,
                                 bool first, const QString& settingsFile) {
    const bool settings = left.contains(settingsFile), answers = left.size() > (settings ? 1 : 0);
    const bool answersWithoutPupils = first && session_.hasAnswers(QString());
    const QString what = settings && answers ? QStringLiteral("nastavení a zapamatované odpovědi")
                         : settings          ? QStringLiteral("nastavení")
                                             : QStringLiteral("zapamatované odpovědi");
    const QString question =
        (removed.isEmpty()
             ? QStringLiteral(
                   "Pod jménem „%1“ zůstaly uložené soubory žáka, který byl dříve odebrán ze seznamu: "
                   "%2.\nJe to týž žák?")
                   .arg(tidyPupilName(name), what)
             : QStringLiteral("Žák %1 byl dříve odebrán ze seznamu, ale jeho soubory zůstaly uložené: %2.\n"
                              "Je „%3“ týž žák?")
                   .arg(removed, what, tidyPupilName(name))) +
        QStringLiteral("\n\nAno: převezme je%1 a bude pokračovat, kde skončil%2.\n"
                       "Ne: bude to nový žák; uložené soubory zůstanou stranou, jak jsou.")
            .arg(first && settings ? QStringLiteral(" místo dosavadního nastavení a protokolu") : QString(),
                 answersWithoutPupils ? QStringLiteral("; připojí se k nim i odpovědi zapamatované bez žáků")
                                      : QString());
    return dialogs_.message(question, QStringLiteral("Přidat žáka"), Dialogs::Buttons::YesNo,
                            Dialogs::Icon::Question, Dialogs::Answer::No) == Dialogs::Answer::Yes;
}

void PupilsDialog::renameSelected() {
    const std::optional<Pupil> p = list_.find(selectedId());
    const std::optional<DamagedPupil> d = selectedDamaged();
    if (!p && !d)
        return;
    const QString id = selectedId(), name = dfName_->text();
    if (const QString problem = pupilNameProblem(name, list_.pupils(), id); !problem.isEmpty()) {
        tell(problem);
        dfName_->setFocus();
        return;
    }
    QString now;
    if (!stored([&] { now = session_.rename(id, name); }))
        return;
    fill(now);
    tell(p ? QStringLiteral("Přejmenováno: %1 se teď jmenuje %2.").arg(p->name, tidyPupilName(name))
           : QStringLiteral("Záznam je opraven, jméno je teď %1.").arg(tidyPupilName(name)));
}

void PupilsDialog::removeSelected() {
    if (const std::optional<DamagedPupil> d = selectedDamaged()) {
        removeDamaged(*d);
        return;
    }
    const std::optional<Pupil> p = list_.find(selectedId());
    if (!p)
        return;
    const QString journal = list_.journalOf(p->id);
    const QString question =
        QStringLiteral("Odebrat %1 ze seznamu žáků?").arg(p->name) +
        (journal.isEmpty()
             ? QString()
             : QStringLiteral("\nProtokol se nesmaže, zůstane v souboru %1.").arg(displayPath(journal)));
    if (dialogs_.message(question, QStringLiteral("Odebrat žáka"), Dialogs::Buttons::YesNo,
                         Dialogs::Icon::Question, Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    if (!stored([&] { session_.remove(p->id); }))
        return;
    const std::optional<Pupil> chosen = session_.comingPupil();
    fill(chosen ? chosen->id : QString());
    if (list_.empty())
        dfName_->clear();
    const bool forgotten = forgetAnswers(*p);
    tell(QStringLiteral("Odebráno ze seznamu: %1.").arg(p->name) + journalSentence(journal) +
         (forgotten ? QStringLiteral(" Zapamatované odpovědi jsou smazány.") : QString()));
}

bool PupilsDialog::forgetAnswers(const Pupil& pupil) {
    if (!session_.hasAnswers(pupil.id) ||
        dialogs_.message(QStringLiteral("Smazat i zapamatované odpovědi, ze kterých vzniká mapa znalostí?\n"
                                        "Žák: %1. Soubor: %2. Protokol se nesmaže.")
                             .arg(pupil.name, displayPath(session_.storeOf(pupil.id))),
                         QStringLiteral("Odebrat žáka"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                         Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return false;
    session_.forgetAnswers(pupil.id);
    return true;
}

void PupilsDialog::removeDamaged(const DamagedPupil& d) {
    const QString shown = tidyPupilName(d.name).isEmpty() ? d.id : shownPupilName(d.name);
    if (dialogs_.message(QStringLiteral("Odebrat poškozený záznam %1 ze seznamu žáků?").arg(shown),
                         QStringLiteral("Odebrat žáka"), Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                         Dialogs::Answer::No) != Dialogs::Answer::Yes ||
        !stored([&] { session_.remove(d.id); }))
        return;
    const std::optional<Pupil> chosen = session_.comingPupil();
    fill(chosen ? chosen->id : QString());
    tell(QStringLiteral("Poškozený záznam %1 je odebrán.").arg(shown));
}

void PupilsDialog::pickSelected() {
    const std::optional<Pupil> p = list_.find(selectedId());
    if (!p || !stored([&] { session_.choose(p->id); }))
        return;
    picked_ = p->id;
    accept();
}

// With the selected pupil's name edited, Enter renames him; with his name as it is, or nothing typed,
// it picks him; with a new name (the box emptied first, or nobody selected), it adds.
QPushButton* PupilsDialog::enterButton() const {
    const std::optional<Pupil> p = list_.find(selectedId());
    if (!nameOfSelected_)
        return p && dfName_->text().isEmpty() ? pbPick_ : pbAdd_;
    return p && tidyPupilName(dfName_->text()) == p->name ? pbPick_ : pbRename_;
}

void PupilsDialog::followEnter() {
    QPushButton* now = enterButton();
    for (QPushButton* b : {pbAdd_, pbRename_, pbPick_})
        b->setDefault(b == now);
}

// Enter does what the default button says, or presses the button that has the focus.
void PupilsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
        button->click();
    else if (focusWidget() == dfName_ || focusWidget() == lstPupils_)
        enterButton()->click();
    event->accept();
}

} // namespace numio

#include "ui/dialogs/NumericPadForm.h"

#include <QGridLayout>
#include <QPushButton>

#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"

namespace vt {

namespace {
constexpr int EscapeCode = 27;
}  // namespace

const std::vector<TNewCalcFrm::TKey>& TNewCalcFrm::Keys() {
    static const std::vector<TKey> keys = {
        {"7", 55},   {"8", 56},   {"9", 57},  {"Clr", 27},     {"4", 52}, {"5", 53}, {"6", 54},
        {"<-", 122}, {"1", 49},   {"2", 50},  {"3", 51},       {"-", 45}, {"0", 48}, {".", 46},
        {"e", 101},  {"X", 120},  {"p", 112}, {"n", 110},      {"\u00B5", 117}, {"m", 109},
        {"K", 107},  {"M", 97},   {"G", 103}, {"T", 116}};
    return keys;
}

TNewCalcFrm::TNewCalcFrm(TShell& shell, TKitContext& kit, QWidget* owner) : QDialog(owner), Shell_(shell) {
    setObjectName(QStringLiteral("NewCalcFrm"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setFixedSize(236, 352);
    RC_Edit_ = new TRC_EditSwitcher(this);
    RC_Edit_->setObjectName(QStringLiteral("RC_Edit"));
    RC_Edit_->SetKit(&kit);
    RC_Edit_->setGeometry(8, 8, 220, 40);
    // The pad is the calculator: its own entry opens nothing.
    RC_Edit_->SetTag(-1);
    auto* keys = new QWidget(this);
    keys->setGeometry(8, 54, 220, 168);
    auto* grid = new QGridLayout(keys);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(3);
    int i = 0;
    for (const TKey& key : Keys()) {
        auto* b = new QPushButton(QString::fromUtf8(key.Caption), keys);
        b->setObjectName(QStringLiteral("btnKey") + QString::number(i));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedHeight(24);
        const QString caption = b->text();
        connect(b, &QPushButton::clicked, this, [this, caption] { PressKey(caption); });
        grid->addWidget(b, i / 4, i % 4);
        ++i;
    }
    rswSetTo_ = new TRC_CheckSwitcher(this);
    rswSetTo_->setObjectName(QStringLiteral("rswSetTo"));
    rswSetTo_->SetKit(&kit);
    rswSetTo_->SetCaption(QStringLiteral("Set to"));
    rswSetTo_->SetItems({QStringLiteral("Min"), QStringLiteral("Mid"), QStringLiteral("Max")});
    rswSetTo_->SetColumns(3);
    rswSetTo_->SetMnemonics("Shadow:SetTo");
    rswSetTo_->setGeometry(8, 228, 220, 42);
    rswResolution_ = new TRC_RadioSwitcher(this);
    rswResolution_->setObjectName(QStringLiteral("rswResolution"));
    rswResolution_->SetKit(&kit);
    rswResolution_->SetCaption(QStringLiteral("Resolution"));
    rswResolution_->SetItems({QStringLiteral("Fine"), QStringLiteral("Coarse")});
    rswResolution_->SetColumns(2);
    rswResolution_->SetMnemonics("Shadow:Resolution");
    rswResolution_->setGeometry(8, 274, 220, 42);
    btnOK_ = new QPushButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setGeometry(48, 322, 86, 24);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(142, 322, 86, 24);
    connect(btnOK_, &QPushButton::clicked, this, [this] {
        OkPressed_ = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TNewCalcFrm::~TNewCalcFrm() = default;

void TNewCalcFrm::OpenCalcPad(TRC_EditSwitcher& target) {
    setWindowTitle(target.Caption());
    RC_Edit_->SetCaption(target.Caption());
    RC_Edit_->SetMnemonics(target.GetFullMnemonic());
    if (RC_Edit_->GetHandler()) RC_Edit_->UnbindFromHandler();
    RC_Edit_->BindToHandler(false);
    Target_ = target.EditHandler();
    if (!Bound_) {
        Bound_ = true;
        RC_Edit_->setContextMenuPolicy(Qt::NoContextMenu);
        rswSetTo_->BindToHandler(true);
        rswResolution_->BindToHandler(true);
    }
    TCommandTree* tree = Shell_.CommandTree();
    auto* resolution = tree ? dynamic_cast<TRadioSwHandler*>(tree->Resolve("Shadow:Resolution")) : nullptr;
    if (resolution) {
        resolution->SetDisabledMask(target.FineAvailable() ? 0u : 3u);
        resolution->SetItemIndex(target.FineMode() ? 0 : 1);
    }
    RC_Edit_->SetFineMode(target.FineMode());
    auto* setTo = tree ? dynamic_cast<TCheckSwHandler*>(tree->Resolve("Shadow:SetTo")) : nullptr;
    if (setTo) setTo->SetMask(0);
    btnOK_->setEnabled(true);
    OkPressed_ = false;
    TUndoBuffer* undo = Shell_.UndoBuffer();
    if (undo) {
        StampAtOpen_ = undo->StepStamp();
        undo->SetEntryPadOpen(true);
    }
    RunModal(Runner, *this);
}

void TNewCalcFrm::PressKey(const QString& caption) {
    for (const TKey& key : Keys())
        if (caption == QString::fromUtf8(key.Caption)) {
            // OK waits until the typed text has become a value.
            btnOK_->setEnabled(!RC_Edit_->ProcessKey(key.Code));
            return;
        }
}

void TNewCalcFrm::SetToChanged(std::uint32_t mask) {
    const int which = mask == 1 ? 0 : mask == 2 ? 1 : mask == 4 ? 2 : -1;
    if (which >= 0 && Target_) Target_->SetSpecialValue(which);
}

void TNewCalcFrm::ResolutionChanged(int item) { RC_Edit_->SetFineMode(item == 0); }

void TNewCalcFrm::done(int result) {
    TUndoBuffer* undo = Shell_.UndoBuffer();
    const bool stepOpened = undo && undo->StepStamp() != StampAtOpen_;
    if (undo) undo->SetEntryPadOpen(false);
    if (!OkPressed_) {
        if (RC_Edit_->Typing()) RC_Edit_->ProcessKey(EscapeCode);
        if (stepOpened && UndoPadStep) UndoPadStep();
    }
    OkPressed_ = false;
    if (RC_Edit_->GetHandler()) RC_Edit_->UnbindFromHandler();
    Target_ = nullptr;
    QDialog::done(result);
}

void CreateCalcPadHandlers(TShell& shell, const std::function<TNewCalcFrm*()>& pad) {
    TCommandTree* tree = shell.CommandTree();
    if (!tree) return;
    tree->Root().AddCheckHandler("Shadow:SetTo", {.Items = "m1,m2,m3", .AfterChange = [pad](THandler& h) {
                                                      auto& check = static_cast<TCheckSwHandler&>(h);
                                                      const std::uint32_t mask = check.GetMask();
                                                      if (mask == 0) return;
                                                      if (TNewCalcFrm* p = pad()) p->SetToChanged(mask);
                                                      check.SetMask(0);
                                                  }});
    tree->Root().AddRadioHandler("Shadow:Resolution",
                                 {.Items = "m1,m2", .Initial = 1, .AfterChange = [pad](THandler& h) {
                                      if (TNewCalcFrm* p = pad())
                                          p->ResolutionChanged(static_cast<TRadioSwHandler&>(h).GetItemIndex());
                                  }});
}

}  // namespace vt

#include "ParameterPanel.h"

#include "MonitorWidgets.h"
#include "Security.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QValidator>
#include <QVBoxLayout>

namespace {

constexpr int EditCharacters = 5;
constexpr int DesignItemHeight = 16;

QSizePolicy KeepPlace(QWidget *w)
{
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    return policy;
}

// At most `length` characters, whatever they are: the value is parsed when
// Enter is pressed.
class TypedLengthValidator : public QValidator {
public:
    TypedLengthValidator(int length, QObject *parent) : QValidator(parent), Length(length) {}
    State validate(QString &input, int &) const override { return input.size() <= Length ? Acceptable : Invalid; }

private:
    int Length;
};

void ShowIf(QWidget *w, bool shown)
{
    if (w && w->isHidden() == shown)
        w->setVisible(shown);
}

} // namespace

ParameterPanel::ParameterPanel(double scale, QWidget *parent)
    : QFrame(parent), Scale(scale), ItemHeight(ScaledPx(DesignItemHeight, scale))
{
    setObjectName(QStringLiteral("ParaPL"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);

    for (const ParamControl &c : ParamControls()) {
        Controls[static_cast<size_t>(c.Id)] = MakeControl(c);
        QLabel *label = LabelFor(c);
        Labels[static_cast<size_t>(c.Id)] = label;
        if (label && !label->buddy())
            label->setBuddy(Controls[static_cast<size_t>(c.Id)]);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(ScaledPx(2, scale), ScaledPx(3, scale), ScaledPx(2, scale), ScaledPx(3, scale));
    layout->setSpacing(ScaledPx(3, scale));
    layout->addWidget(BuildTopRow());
    PlaceControls();
}

QWidget *ParameterPanel::MakeControl(const ParamControl &c)
{
    const QString name = QString::fromLatin1(c.Name);
    // Screen readers (and scripts) know a field by its label.
    const QString accessible = c.Label[0] ? QString::fromLatin1(c.Label).trimmed() : QStringLiteral("Program display");
    if (c.Kind == ControlKind::List) {
        auto *list = new CloseUpList(name, c.Items, ItemHeight, this);
        list->setAccessibleName(accessible);
        const Pc id = c.Id;
        connect(list, &CloseUpList::CloseUp, this, [this, id, list] { emit ListClosedUp(id, list->currentIndex()); });
        return list;
    }
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setAccessibleName(accessible);
    // Typing stops at five characters; a value shown may be longer ("- 99.9").
    edit->setValidator(new TypedLengthValidator(EditCharacters, edit));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Five characters, the widest being "- 99.9" and "-8888".
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("- 888.8")) + ScaledPx(14, Scale));
    if (c.Id == Pc::PDOffset) {
        // Shown only: the controller takes it from the I offset.
        edit->setReadOnly(true);
        return edit;
    }
    const Pc id = c.Id;
    connect(edit, &QLineEdit::returnPressed, this, [this, id, edit] {
        // From now on the controller's value is shown again.
        edit->setModified(false);
        emit EditEntered(id, edit->text());
    });
    return edit;
}

QLabel *ParameterPanel::LabelFor(const ParamControl &c)
{
    const QString name = QString::fromLatin1(c.LabelName);
    if (name.isEmpty())
        return nullptr;
    // Controls that share a place share their label.
    for (QLabel *label : Labels) {
        if (label && label->objectName() == name)
            return label;
    }
    auto *label = new QLabel(QString::fromLatin1(c.Label), this);
    label->setObjectName(name);
    return label;
}

void ParameterPanel::AddRow(QGridLayout *grid, int row, int column, std::initializer_list<Pc> ids)
{
    for (Pc id : ids) {
        QLabel *label = Labels[static_cast<size_t>(id)];
        QWidget *control = Controls[static_cast<size_t>(id)];
        if (label && grid->indexOf(label) < 0)
            grid->addWidget(label, row, column);
        grid->addWidget(control, row, column + 1, Qt::AlignLeft);
    }
}

QGroupBox *ParameterPanel::Box(PageBox box, const QString &name, const QString &caption)
{
    auto *group = new QGroupBox(caption, this);
    group->setObjectName(name);
    Boxes[static_cast<size_t>(box)] = group;
    return group;
}

QWidget *ParameterPanel::BuildTopRow()
{
    auto *row = new QWidget(this);
    row->setObjectName(QStringLiteral("PageTopRow"));
    auto *grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(ScaledPx(5, Scale));
    // The program display takes the set value's place while a program runs.
    AddRow(grid, 0, 0, {Pc::SV, Pc::ProgDisp});
    AddRow(grid, 0, 2, {Pc::AT});
    AddRow(grid, 0, 4, {Pc::ComWrite, Pc::Out2Sel});
    grid->setColumnStretch(6, 1);

    PassStack = new QStackedWidget(row);
    PassStack->setObjectName(QStringLiteral("PassStack"));
    FWVersion = new ColorPanel(QStringLiteral("FWVersion"), QStringLiteral("Firmware Version"), PassStack);
    FWVersion->SetColor(palette().color(QPalette::Window));
    FWVersion->setToolTip(QString());
    auto *pass = new QWidget(PassStack);
    auto *passLayout = new QHBoxLayout(pass);
    passLayout->setContentsMargins(0, 0, 0, 0);
    passLayout->setSpacing(ScaledPx(3, Scale));
    PassLb = new ColorPanel(QStringLiteral("PassLb"), QStringLiteral("Password"), pass);
    PassLb->SetColor(palette().color(QPalette::Window));
    PassEdit = new QLineEdit(pass);
    PassEdit->setObjectName(QStringLiteral("PassEdit"));
    PassEdit->setEchoMode(QLineEdit::Password);
    PassEdit->setAccessibleName(QStringLiteral("Password"));
    passLayout->addWidget(PassLb);
    passLayout->addWidget(PassEdit, 1);
    PassStack->addWidget(FWVersion);
    PassStack->addWidget(pass);
    PassStack->setCurrentWidget(FWVersion);
    PassStack->setMinimumWidth(FWVersion->fontMetrics().horizontalAdvance(QStringLiteral("F/W Version 88.88"))
                               + ScaledPx(24, Scale));
    grid->addWidget(PassStack, 0, 7);

    connect(FWVersion, &ColorPanel::DoubleClicked, this, [this] {
        PassStack->setCurrentIndex(1);
        PassEdit->setFocus();
    });
    connect(PassLb, &ColorPanel::Clicked, this, [this] { ShowFirmwarePanel(); });
    connect(PassEdit, &QLineEdit::returnPressed, this, [this] { emit HiddenCodeEntered(PassEdit->text()); });
    return row;
}

void ParameterPanel::ShowFirmwarePanel()
{
    PassStack->setCurrentWidget(FWVersion);
}

QWidget *ParameterPanel::BuildSecurity()
{
    SecurityPL = new QGroupBox(QStringLiteral("Security "), this);
    SecurityPL->setObjectName(QStringLiteral("SecurityPL"));
    auto *layout = new QGridLayout(SecurityPL);
    layout->setVerticalSpacing(ScaledPx(2, Scale));
    SLevel = new QGroupBox(QStringLiteral("Security Level"), SecurityPL);
    SLevel->setObjectName(QStringLiteral("SLevel"));
    auto *levels = new QVBoxLayout(SLevel);
    levels->setSpacing(0);
    SLevelButtons = new QButtonGroup(SLevel);
    for (int i = 0; i < static_cast<int>(SLevelItemTexts.size()); ++i) {
        auto *button = new QRadioButton(SLevelItemTexts[static_cast<size_t>(i)], SLevel);
        button->setObjectName(QStringLiteral("SLevel%1").arg(i));
        SLevelButtons->addButton(button, i);
        levels->addWidget(button);
    }
    layout->addWidget(SLevel, 0, 0, 1, 2);
    for (int k = 0; k < 3; ++k) {
        const QString n = QString::number(k + 1);
        auto *label = new QLabel(QStringLiteral("Level %1 Key").arg(n), SecurityPL);
        label->setObjectName(QStringLiteral("PassLb") + n);
        auto *list = new CloseUpList(QStringLiteral("Pass") + n, {QStringLiteral("Disable"), QStringLiteral("Enable")},
                                     ItemHeight, SecurityPL);
        list->setAccessibleName(label->text());
        label->setBuddy(list);
        PassLists[static_cast<size_t>(k)] = list;
        layout->addWidget(label, k + 1, 0);
        layout->addWidget(list, k + 1, 1);
        connect(list, &CloseUpList::DropDown, this, &ParameterPanel::KeyDropDown);
        connect(list, &CloseUpList::CloseUp, this, [this, k, list] { emit KeyClosedUp(k, list->currentIndex()); });
    }
    // A level chosen by a click, the keyboard or an assistive tool; the
    // page's own showing of the controller's level is not a choice.
    connect(SLevelButtons, &QButtonGroup::idToggled, this, [this](int item, bool checked) {
        if (checked)
            emit LevelClicked(item);
    });
    SecurityPL->hide();
    return SecurityPL;
}

void ParameterPanel::PlaceControls()
{
    const auto grid = [this](QGroupBox *box) {
        auto *g = new QGridLayout(box);
        g->setContentsMargins(ScaledPx(3, Scale), ScaledPx(3, Scale), ScaledPx(3, Scale), ScaledPx(4, Scale));
        g->setHorizontalSpacing(ScaledPx(3, Scale));
        g->setVerticalSpacing(ScaledPx(2, Scale));
        // Labels and controls keep together at the left of a wider box.
        g->setColumnStretch(4, 1);
        return g;
    };

    QGroupBox *ctrl = Box(PageBox::CtrlBox, QStringLiteral("CtrlBox"), QStringLiteral("Control"));
    QGridLayout *g = grid(ctrl);
    AddRow(g, 0, 0, {Pc::CtrlSet});
    AddRow(g, 1, 0, {Pc::RunStop});
    AddRow(g, 2, 0, {Pc::HeatCool, Pc::Out1Sel});
    AddRow(g, 3, 0, {Pc::LockStatus});
    g->setRowStretch(4, 1);

    QGroupBox *temp = Box(PageBox::TempBox, QStringLiteral("TempBox"), QStringLiteral("Input"));
    g = grid(temp);
    AddRow(g, 0, 0, {Pc::InputA, Pc::InputB});
    AddRow(g, 1, 0, {Pc::Unit});
    AddRow(g, 2, 0, {Pc::Pointer});
    AddRow(g, 3, 0, {Pc::RangeHi});
    AddRow(g, 4, 0, {Pc::RangeLo});
    g->setRowStretch(5, 1);

    // PID, ON-OFF and manual control: one place, the control method's in front.
    ModeBoxes = new QStackedWidget(this);
    ModeBoxes->setObjectName(QStringLiteral("ModeBoxes"));
    QGroupBox *pid = Box(PageBox::PIDBox, QStringLiteral("PIDBox"), QStringLiteral("PID Parameter"));
    g = grid(pid);
    AddRow(g, 0, 0, {Pc::Pb});
    AddRow(g, 1, 0, {Pc::Ti});
    AddRow(g, 2, 0, {Pc::Td});
    AddRow(g, 3, 0, {Pc::IOffset, Pc::PDOffset});
    AddRow(g, 4, 0, {Pc::HCPeriodPID1});
    AddRow(g, 5, 0, {Pc::HCPeriodPID2});
    AddRow(g, 6, 0, {Pc::Coeff});
    AddRow(g, 7, 0, {Pc::DeadBand1});
    AddRow(g, 8, 0, {Pc::CurrHi});
    AddRow(g, 9, 0, {Pc::CurrLo});
    g->setRowStretch(10, 1);
    QGroupBox *onOff = Box(PageBox::OnOffBox, QStringLiteral("OnOffBox"), QStringLiteral("ON-OFF"));
    g = grid(onOff);
    AddRow(g, 0, 0, {Pc::Hyst1});
    AddRow(g, 1, 0, {Pc::Hyst2});
    AddRow(g, 2, 0, {Pc::DeadBand2});
    g->setRowStretch(3, 1);
    QGroupBox *manual = Box(PageBox::ManuBox, QStringLiteral("ManuBox"), QStringLiteral("Manual"));
    g = grid(manual);
    AddRow(g, 0, 0, {Pc::HCPeriod1});
    AddRow(g, 1, 0, {Pc::HCPeriod2});
    AddRow(g, 2, 0, {Pc::OUTQ1});
    AddRow(g, 3, 0, {Pc::OUTQ2});
    g->setRowStretch(4, 1);
    ModeBoxes->addWidget(pid);
    ModeBoxes->addWidget(onOff);
    ModeBoxes->addWidget(manual);

    QGroupBox *alarm = Box(PageBox::AlmBox, QStringLiteral("AlmBox"), QStringLiteral("Alarm"));
    g = grid(alarm);
    const Pc modes[3] = {Pc::ALM1Mode, Pc::ALM2Mode, Pc::ALM3Mode};
    const Pc ups[3] = {Pc::UpLimit1, Pc::UpLimit2, Pc::UpLimit3};
    const Pc downs[3] = {Pc::DnLimit1, Pc::DnLimit2, Pc::DnLimit3};
    for (int a = 0; a < 3; ++a) {
        g->addWidget(Labels[static_cast<size_t>(modes[a])], 2 * a, 0);
        g->addWidget(Controls[static_cast<size_t>(modes[a])], 2 * a, 1, 1, 3, Qt::AlignLeft);
        AddRow(g, 2 * a + 1, 0, {ups[a]});
        AddRow(g, 2 * a + 1, 2, {downs[a]});
    }
    g->addWidget(Labels[static_cast<size_t>(Pc::SALMode)], 6, 0);
    g->addWidget(Controls[static_cast<size_t>(Pc::SALMode)], 6, 1, 1, 3, Qt::AlignLeft);
    g->setRowStretch(7, 1);

    QGroupBox *adjust = Box(PageBox::AdjustBox, QStringLiteral("AdjustBox"), QStringLiteral("PV tuning"));
    g = grid(adjust);
    int row = 0;
    for (Pc id : {Pc::PVTune, Pc::OutputType1, Pc::OutputType2, Pc::RTDOfs, Pc::RTDGain, Pc::TCOfs, Pc::TCGain, Pc::ColdJ,
                  Pc::mVOfs, Pc::mVGain})
        AddRow(g, row++, 0, {id});
    ClearBt1 = new QPushButton(QStringLiteral("Restore Default Setting"), adjust);
    ClearBt1->setObjectName(QStringLiteral("ClearBt1"));
    ClearBt2 = new QPushButton(QStringLiteral("Clear PV Adjust Value "), adjust);
    ClearBt2->setObjectName(QStringLiteral("ClearBt2"));
    for (QPushButton *button : {ClearBt1, ClearBt2}) {
        button->setAutoDefault(false);
        button->hide();
        g->addWidget(button, row++, 0, 1, 2);
    }
    g->setRowStretch(row, 1);
    connect(ClearBt1, &QPushButton::clicked, this, [this] { emit CommandClicked(true); });
    connect(ClearBt2, &QPushButton::clicked, this, [this] { emit CommandClicked(false); });

    auto *columns = new QHBoxLayout;
    columns->setSpacing(ScaledPx(3, Scale));
    auto *first = new QVBoxLayout;
    first->setSpacing(ScaledPx(2, Scale));
    first->addWidget(ctrl);
    first->addWidget(temp, 1);
    auto *last = new QVBoxLayout;
    last->setSpacing(ScaledPx(2, Scale));
    last->addWidget(adjust);
    last->addWidget(BuildSecurity());
    last->addStretch(1);
    columns->addLayout(first);
    columns->addWidget(ModeBoxes);
    columns->addWidget(alarm);
    columns->addLayout(last);
    static_cast<QVBoxLayout *>(layout())->addLayout(columns, 1);

    // The calibration controls, the third alarm and the dead band come and
    // go; the page keeps its shape meanwhile.
    ModeBoxes->setSizePolicy(KeepPlace(ModeBoxes));
}

void ParameterPanel::RenderControl(Pc id, const ControlState &state, bool visible)
{
    QWidget *widget = Widget(id);
    ShowIf(widget, visible);
    widget->setEnabled(state.Enabled);
    if (auto *list = qobject_cast<CloseUpList *>(widget)) {
        // The user is choosing: the list is left alone until it closes.
        if (list->PopupOpen())
            return;
        if (list->currentIndex() != state.Item)
            list->setCurrentIndex(state.Item);
        if (list->placeholderText() != state.Text)
            list->setPlaceholderText(state.Text);
        return;
    }
    auto *edit = static_cast<QLineEdit *>(widget);
    // A value being typed stays until Enter or until the user leaves it.
    if (edit->hasFocus() && edit->isModified())
        return;
    if (edit->text() != state.Text)
        edit->setText(state.Text);
}

void ParameterPanel::Render(const ParameterPage &page, const LargeView &large)
{
    std::array<bool, ParamControlCount> visible{};
    for (const ParamControl &c : ParamControls()) {
        const size_t i = static_cast<size_t>(c.Id);
        visible[i] = page.Controls[i].Visible;
    }
    const auto at = [&visible](Pc id) -> bool & { return visible[static_cast<size_t>(id)]; };
    at(Pc::IOffset) = at(Pc::IOffset) && !page.PdOffsetFront;
    at(Pc::PDOffset) = at(Pc::PDOffset) && page.PdOffsetFront;
    at(Pc::SV) = at(Pc::SV) && large.SvEditVisible;
    at(Pc::ProgDisp) = large.ProgDispVisible;

    for (const ParamControl &c : ParamControls()) {
        if (c.Id != Pc::ProgDisp)  // follows the front panel, below
            RenderControl(c.Id, page.Controls[static_cast<size_t>(c.Id)], visible[static_cast<size_t>(c.Id)]);
    }
    SvVisible = page[Pc::SV].Visible;
    RenderProgramDisplay(large);

    // A label is there while one of its controls is, and names the one
    // shown: assistive technology reads a list under its label's text (a
    // list's own name is the item it shows).
    for (QLabel *label : Labels) {
        if (!label)
            continue;
        QWidget *named = nullptr;
        for (const ParamControl &c : ParamControls()) {
            if (Labels[static_cast<size_t>(c.Id)] == label && visible[static_cast<size_t>(c.Id)])
                named = Widget(c.Id);
        }
        ShowIf(label, named != nullptr);
        if (named && label->buddy() != named)
            label->setBuddy(named);
    }
    QLabel *heatCool = Labels[static_cast<size_t>(Pc::HeatCool)];
    if (heatCool->text() != page.HeatCoolLabel)
        heatCool->setText(page.HeatCoolLabel);
    QLabel *comWrite = Labels[static_cast<size_t>(Pc::ComWrite)];
    if (comWrite->text() != page.ComWriteLabel)
        comWrite->setText(page.ComWriteLabel);

    for (PageBox box : {PageBox::CtrlBox, PageBox::TempBox, PageBox::PIDBox, PageBox::OnOffBox, PageBox::ManuBox,
                        PageBox::AlmBox, PageBox::AdjustBox})
        Boxes[static_cast<size_t>(box)]->setEnabled(page.BoxesEnabled);
    const int front = page.FrontBox == ParameterPage::Front::OnOff ? 1 : page.FrontBox == ParameterPage::Front::Manual ? 2 : 0;
    if (ModeBoxes->currentIndex() != front)
        ModeBoxes->setCurrentIndex(front);

    ShowIf(ClearBt1, page.CalibrationShown);
    ShowIf(ClearBt2, page.CalibrationShown);
    ShowIf(SecurityPL, page.SecurityVisible);
    if (FWVersion->text() != page.FirmwareCaption)
        FWVersion->setText(page.FirmwareCaption);
}

void ParameterPanel::RenderProgramDisplay(const LargeView &large)
{
    auto *prog = static_cast<CloseUpList *>(Widget(Pc::ProgDisp));
    const bool sv = SvVisible && large.SvEditVisible;
    ShowIf(Widget(Pc::SV), sv);
    ShowIf(Labels[static_cast<size_t>(Pc::SV)], sv);
    // It appears with the controller's display mode; from then on it shows
    // what the user chose there.
    if (large.ProgDispVisible && prog->isHidden() && !prog->PopupOpen())
        prog->setCurrentIndex(large.ProgDispItem);
    ShowIf(prog, large.ProgDispVisible);
}

void ParameterPanel::RenderSecurity(const SecurityView &security)
{
    SLevel->setEnabled(security.LevelEnabled);
    if (QAbstractButton *button = SLevelButtons->button(security.LevelItem); button && !button->isChecked()) {
        const QSignalBlocker quiet(SLevelButtons);
        button->setChecked(true);
    }
    for (size_t k = 0; k < PassLists.size(); ++k) {
        CloseUpList *list = PassLists[k];
        if (!list->PopupOpen() && list->currentIndex() != security.KeyItems[k])
            list->setCurrentIndex(security.KeyItems[k]);
    }
}

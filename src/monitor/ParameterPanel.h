// The parameter page `ParaPL` of the selected controller, built from the
// parameter map: every edit field and list with its label panel, placed in
// the group boxes "Control", "Input", "PID Parameter" / "ON-OFF" / "Manual"
// (one place, one in front), "Alarm", "PV tuning" and "Security ", and the
// controls outside them: the set value (or the program display in its
// place), auto-tuning, communication write, and the firmware panel with
// the hidden password edit behind it. It shows what the engine's page says
// and reports what the user did; it decides nothing itself.
#pragma once

#include "MonitorEngine.h"
#include "ParameterMap.h"

#include <QFrame>

#include <array>

class CloseUpList;
class ColorPanel;
class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

class ParameterPanel : public QFrame {
    Q_OBJECT
public:
    ParameterPanel(double scale, QWidget *parent = nullptr);

    void Render(const ParameterPage &page, const LargeView &large);
    void RenderSecurity(const SecurityView &security);
    // The set value or, while a program runs, the program display in its place.
    void RenderProgramDisplay(const LargeView &large);
    // The firmware panel in front of the password edit again.
    void ShowFirmwarePanel();

    QWidget *Widget(Pc id) const { return Controls[static_cast<size_t>(id)]; }

signals:
    // Enter in an edit field, with its text.
    void EditEntered(Pc id, const QString &text);
    // A list closed up, showing `item`.
    void ListClosedUp(Pc id, int item);
    // "Restore Default Setting" (true) or "Clear PV Adjust Value " (false).
    void CommandClicked(bool restoreDefault);
    // Model C security: a level chosen, a key list opened or closed.
    void LevelClicked(int item);
    void KeyDropDown();
    void KeyClosedUp(int key, int item);
    // Enter in the hidden password edit.
    void HiddenCodeEntered(const QString &text);

private:
    QWidget *MakeControl(const ParamControl &c);
    QLabel *LabelFor(const ParamControl &c);
    void AddRow(QGridLayout *grid, int row, int column, std::initializer_list<Pc> ids);
    QGroupBox *Box(PageBox box, const QString &name, const QString &caption);
    QWidget *BuildTopRow();
    QWidget *BuildSecurity();
    void PlaceControls();
    void RenderControl(Pc id, const ControlState &state, bool visible);

    double Scale;
    int ItemHeight;
    std::array<QWidget *, ParamControlCount> Controls{};
    std::array<QLabel *, ParamControlCount> Labels{};
    std::array<QGroupBox *, 8> Boxes{};  // by PageBox
    QStackedWidget *ModeBoxes = nullptr;  // PIDBox, OnOffBox, ManuBox
    QPushButton *ClearBt1 = nullptr;
    QPushButton *ClearBt2 = nullptr;
    QStackedWidget *PassStack = nullptr;
    ColorPanel *FWVersion = nullptr;
    ColorPanel *PassLb = nullptr;
    QLineEdit *PassEdit = nullptr;
    QGroupBox *SecurityPL = nullptr;
    QGroupBox *SLevel = nullptr;
    QButtonGroup *SLevelButtons = nullptr;
    std::array<CloseUpList *, 3> PassLists{};
    bool SvVisible = true;  // as the page has it
};

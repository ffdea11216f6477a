// The parameter page of the selected controller as the window shows it:
// what the read-out steps put into each control, which controls each model
// shows, and whether the page may be written. Plain data and rules; the
// monitor window renders it.
#pragma once

#include "MonitorSlot.h"
#include "ParameterMap.h"

#include <QString>

#include <array>
#include <vector>

struct ControlState {
    QString Text;       // edit fields
    int Item = -1;      // lists; -1 shows Text as the empty list's placeholder
    bool Visible = true;
    bool Enabled = true;
};

// The menu items whose enabling the status steps and the page decide.
struct PageMenus {
    bool Upload = false;
    bool RampSoak = false;
};

class ParameterPage {
public:
    // The editor's copy of the controller's parameters; entries 0-3 hold the
    // run/stop code of slots 0-3.
    static constexpr int EntryCount = 35;
    enum class Front { PID, OnOff, Manual };

    ParameterPage();
    void Reset();

    ControlState &operator[](Pc id) { return Controls[static_cast<size_t>(id)]; }
    const ControlState &operator[](Pc id) const { return Controls[static_cast<size_t>(id)]; }

    struct ReadOutResult {
        bool StepBecomes21 = false;  // model A has no step 21
        bool Completed = false;      // the last step of a read-out: refresh and show
        bool CalibrationRead = false;
    };
    // Steps 10-14 and 20-21 of the selected slot `selected`. Updates the
    // slot's own fields that the page reads (decimals, write permission,
    // heat/cool code, output functions, set value, run state).
    ReadOutResult ReadOut(int step, MonitorSlot &slot, int selected, const std::vector<int> &w);

    // Visibility by model, enabling by write permission and security level,
    // and the menu items the page decides. `calibrationCode`: the calibration
    // access code stands in the hidden password edit.
    void Refresh(const MonitorSlot &slot, bool calibrationCode, PageMenus &menus);
    void ShowCalibration(bool shown, std::uint8_t model);

    std::array<ControlState, ParamControlCount> Controls;
    std::array<int, EntryCount> ParameterValues{};
    QString FirmwareCaption;
    QString HeatCoolLabel;
    QString ComWriteLabel;
    Front FrontBox = Front::PID;
    bool PdOffsetFront = false;  // "PD Offset" in front of "I Offset" (Ti is 0)
    bool BoxesEnabled = true;
    bool SecurityVisible = false;
    bool CalibrationShown = false;
    bool Shown = false;          // ParaPL; ParametersShown
    bool Blanked = false;

private:
    void SetValue(Pc id, int value, const MonitorSlot &slot);
    void SetItem(Pc id, int item);
    void SetEntry(int entry, Pc id, int value, const MonitorSlot &slot);
    void SetEntryItem(int entry, Pc id, int item);
    void SetVisible(std::initializer_list<Pc> ids, bool visible);
    void Blank(const MonitorSlot &slot);
};

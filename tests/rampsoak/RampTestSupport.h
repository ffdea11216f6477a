// Helpers of the ramp/soak tests: sample program sets, and an engine that
// carries the editor's transfers one request at a time, either through a
// simulated controller's own request handling or from given blocks.
#pragma once

#include "RampProgram.h"
#include "RampTransfer.h"
#include "RampTransferRules.h"
#include "SimTestSupport.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

// Pattern 0 with steps 0-1, set values 25.0 and 100.0, times 30 and 90
// minutes, two repeats, then the program end; everything else 0.
inline RampSoakProgram ExampleProgram()
{
    RampSoakProgram program;
    program.StepMax[0] = 1;
    program.LoopCount[0] = 2;
    program.LinkPattern[0] = 8;
    program.SetValue[0] = 250;
    program.ExecuteTime[0] = 30;
    program.SetValue[1] = 1000;
    program.ExecuteTime[1] = 90;
    return program;
}

// Every field different, all within the controller's ranges.
inline RampSoakProgram BusyProgram()
{
    RampSoakProgram program;
    program.StartPattern = 2;
    for (int p = 0; p < PatternCount; ++p) {
        const auto i = static_cast<size_t>(p);
        program.StepMax[i] = (p + 3) % 8;
        program.LoopCount[i] = p * 7;
        program.LinkPattern[i] = p == 7 ? ProgEnd : p + 1;
    }
    for (int k = 0; k < StepCount; ++k) {
        program.SetValue[static_cast<size_t>(k)] = (k % 2 == 0 ? 1 : -1) * (k * 31 % 1999);
        program.ExecuteTime[static_cast<size_t>(k)] = k * 14 % 901;
    }
    return program;
}

// Restores the process-wide program set around a test.
struct ProgramSetGuard {
    ProgramSetGuard() { Reset(); }
    ~ProgramSetGuard() { Reset(); }
    static void Reset()
    {
        RampProgram = RampSoakProgram{};
        RampProgramImage = RampImage{};
    }
};

// Plays the monitor's request engine for the editor. A transfer starts
// when the editor asks and then advances only when the test says so.
class TestRampEngine : public RampTransferHost {
public:
    enum class Job { None, Read, Write };

    // Without a controller the replies come from Parameters and Steps.
    explicit TestRampEngine(SimController *controller = nullptr) : Controller(controller) {}

    bool StartRampRead(RampTransferClient &client) override { return Start(client, Job::Read); }
    bool StartRampWrite(RampTransferClient &client) override { return Start(client, Job::Write); }

    // Up to `replies` more good stream replies (of 512); the read completes
    // with the last one.
    void Read(int replies = 2 * RampStreamPairs)
    {
        for (int i = 0; i < replies && Running == Job::Read; ++i) {
            const bool parameters = ParameterPairs < RampStreamPairs;
            const int word = StreamWord(parameters ? 0x474C : 0x474D);
            const auto position = static_cast<size_t>((word >> 8) & 0xFF);
            if (parameters) {
                ReadParameters[position] = static_cast<std::uint8_t>(word & 0xFF);
                ++ParameterPairs;
            } else {
                ReadImage[position] = static_cast<std::uint8_t>(word & 0xFF);
                ++RampPairs;
            }
            if (RampPairs == RampStreamPairs) {
                AppendTrailer();
                Running = Job::None;
                Client->RampReadDone(ReadParameters, ReadImage);
            } else {
                Client->RampReadProgress(ParameterPairs, RampPairs);
            }
        }
    }

    // Up to `count` more writes (of 153), each echoed.
    void Write(int count = RampWriteCount)
    {
        for (int i = 0; i < count && Running == Job::Write; ++i) {
            const int reg = RampWriteRegister(Written);
            const int value = Client->RampWriteValue(Written);
            Writes.emplace_back(reg, value);
            if (Controller && WriteOne(*Controller, reg, value) != 0) {
                ++Refused;
                continue;  // the engine would try the same write again
            }
            ++Written;
            if (Written == RampWriteCount)
                Running = Job::None;
            Client->RampWriteProgress(Written);
        }
    }

    void Fail()
    {
        Running = Job::None;
        Client->RampTransferFailed();
    }

    bool Available = true;
    int Starts = 0;
    Job Running = Job::None;
    SimController *Controller;
    // The blocks a controller-less read delivers.
    std::array<std::uint8_t, 256> Parameters{};
    std::array<std::uint8_t, 256> Steps{};
    // What the engine has done.
    std::vector<std::pair<int, int>> Writes;  // register, value
    int Refused = 0;
    int ParameterPairs = 0;
    int RampPairs = 0;
    int Written = 0;

private:
    bool Start(RampTransferClient &client, Job job)
    {
        if (!Available || Running != Job::None)
            return false;
        Client = &client;
        Running = job;
        ++Starts;
        ParameterPairs = RampPairs = Written = 0;
        ReadParameters = {};
        ReadImage = {};
        Writes.clear();
        return true;
    }

    int StreamWord(int reg)
    {
        if (Controller)
            return ReadOne(*Controller, reg);
        const int position = reg == 0x474C ? ParameterPairs : RampPairs;
        const auto &block = reg == 0x474C ? Parameters : Steps;
        return position * 256 + block[static_cast<size_t>(position)];
    }

    void AppendTrailer()
    {
        const int firmware = Controller ? Controller->Config().Firmware : 0x0110;
        ReadImage[256] = static_cast<std::uint8_t>(Controller ? ModelLetter(Controller->Kind()) : 'B');
        ReadImage[257] = static_cast<std::uint8_t>(firmware >> 8);
        ReadImage[258] = static_cast<std::uint8_t>(firmware & 0xFF);
        ReadImage[259] = static_cast<std::uint8_t>((ReadImage[256] + ReadImage[257] + ReadImage[258]) & 0xFF);
    }

    RampTransferClient *Client = nullptr;
    std::array<std::uint8_t, 256> ReadParameters{};
    std::array<std::uint8_t, 260> ReadImage{};
};

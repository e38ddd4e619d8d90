// The host side of an effect under test. It answers the version and, when
// the test gives one, the time; counts the time requests; records the
// requests a user's edits make (begin, automate, end, refresh) with the
// thread each came from; and may answer one as a host would (calling the
// plug-in back). The callback finds the host through a process-wide
// pointer: the one made last, until it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "plugin/VstInterface.h"

class RecordingHost
{
public:
    struct Request
    {
        int32_t opcode;
        int32_t index;
        float value;  // audioMasterAutomate's normalised value, else 0
        std::thread::id thread;
    };

    // Room enough that the audio thread's refresh requests never allocate.
    RecordingHost() : previous_(current())
    {
        requests_.reserve(4096);
        current() = this;
    }
    ~RecordingHost() { current() = previous_; }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // What audioMasterGetTime answers: time when giveTime, else null.
    bool giveTime = false;
    VstTimeInfo time{};
    int timeRequests = 0;

    std::vector<Request> requests() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    void forget()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.clear();
    }
    int count(int32_t opcode) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        int n = 0;
        for (const Request& r : requests_) n += r.opcode == opcode;
        return n;
    }
    bool heard(int32_t opcode) const { return count(opcode) > 0; }
    int updateDisplays() const { return count(audioMasterUpdateDisplay); }

    // Called with each recorded request, outside the lock.
    std::function<void(AEffect*, const Request&)> answer;

    static intptr_t VST_CALLBACK callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float opt)
    {
        RecordingHost* host = current();
        if (!host) return 0;
        switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterGetTime:
            ++host->timeRequests;
            return host->giveTime ? reinterpret_cast<intptr_t>(&host->time) : 0;
        case audioMasterAutomate:
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
        case audioMasterUpdateDisplay: {
            const Request request{opcode, index, opcode == audioMasterAutomate ? opt : 0.0f,
                                  std::this_thread::get_id()};
            {
                std::lock_guard<std::mutex> lock(host->mutex_);
                host->requests_.push_back(request);
            }
            if (host->answer) host->answer(effect, request);
            return 1;
        }
        default: return 0;
        }
    }

private:
    static RecordingHost*& current()
    {
        static RecordingHost* host = nullptr;
        return host;
    }
    RecordingHost* previous_;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
};

#pragma once
// RunEvents that record what the dialog would show, answer questions as told, and let a test wait
// (bounded) for the end of the run.

#include "synmove/MotionRun.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class RunRecorder : public synmove::RunEvents {
public:
    bool answer = true;
    std::vector<std::string> questions, errors, logs;
    int32_t records = -1, motors = -1;
    double seconds = -1;

    bool AskYesNo(const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        questions.push_back(text);
        return answer;
    }
    void ShowError(const std::string& title, const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        errors.push_back(title + ": " + text);
    }
    void ShowTotals(int32_t r, double s, int32_t m) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        records = r, seconds = s, motors = m;
    }
    void Log(const std::string& line) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        logs.push_back(line);
    }
    void RunEnded() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
        m_cv.notify_all();
    }
    // Waits for RunEnded (the bound only limits a failure), then joins the worker.
    bool WaitEnd(synmove::MotionRun& run, int seconds = 30)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const bool ended = m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_ended; });
        m_ended = false;
        lock.unlock();
        if (ended)
            run.Finish();
        return ended;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_ended = false;
};

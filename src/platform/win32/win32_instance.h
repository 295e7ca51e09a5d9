// One gauge per session. The running gauge holds the mutex Local\Sorvane.Gauge; a later start
// finds its recall window (the form F8) by class and title, posts it the recall message and
// leaves.
#pragma once

namespace sorvane::win32 {

class SessionInstance {
  public:
    enum class Claim {
        Ours,       // this process is the gauge of the session now
        Recalled,   // another one is: it has been asked to come back
        Unanswered, // another one holds the session but shows no recall window
    };

    SessionInstance() = default;
    ~SessionInstance();
    SessionInstance(const SessionInstance&) = delete;
    SessionInstance& operator=(const SessionInstance&) = delete;

    Claim claim();

  private:
    void* mutex_ = nullptr;
};

} // namespace sorvane::win32

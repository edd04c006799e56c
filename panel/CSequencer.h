#pragma once

class CQuibo;

// The melody recorder and player.
class CSequencer {
public:
    CSequencer();
    void setOwner(CQuibo* owner) { m_owner = owner; }

    void Reset();
    void Stop();
    // One tempo tick of playback; answers 0 when the melody has ended.
    int Tick();
    // One tick of the step counter used while re-timing a melody.
    void CountStep();

private:
    CQuibo* m_owner = nullptr;
};

#pragma once

// Sets a flag for as long as the guard lives, and clears it however the scope ends.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : Flag(flag) { Flag = true; }
    ~TFlagGuard() { Flag = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& Flag;
};

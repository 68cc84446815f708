#pragma once

// A trend window the poll feeds. After the status block (the I/O trend) or the diagnostic block
// (the regulation trend) the poll calls AddSample of the window if it is open and visible; the
// window takes the sample from the main window's TLiveState.
class TTrendSink
{
public:
    virtual void AddSample() = 0;

protected:
    ~TTrendSink() = default;
};

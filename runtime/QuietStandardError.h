#pragma once

// Keeps what libraries print on standard error off it while this lives: some
// (libpng) print their own "libpng error: ..." lines before the program tells
// the failure in its own words. Process-wide, so only for a single-threaded
// command-line program.
class QuietStandardError
{
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    // The standard error to put back, or -1.
    int m_saved = -1;
};

#ifndef TDFTOOL_PROGRESS_H
#define TDFTOOL_PROGRESS_H

#include <QString>

#include <chrono>

// Shows how much of a file has been read, on standard error, only when
// that is a terminal: from the start for a file of a megabyte or more (a
// reading whose end may be worth waiting for, and one that shows however
// fast the machine), then a few times a second at most.
class Progress {
public:
    // No progress is shown for the rest of the run (check -q).
    static void turnOff() { turnedOff_ = true; }

    Progress(const QString& fileName, long long totalBytes);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Whether it is shown at all.
    bool shown() const { return shown_; }
    // The bytes of the file read so far.
    void reach(long long bytes)
    {
        done_ = bytes;
        if (shown_ && ++sinceCheck_ >= 4096)
            refresh();
    }

private:
    void refresh();
    void show();

    static bool turnedOff_;

    bool shown_;
    QString name_;
    long long total_;
    long long done_ = 0;
    int sinceCheck_ = 0;
    std::chrono::steady_clock::time_point lastShown_;
};

#endif

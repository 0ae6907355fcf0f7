#ifndef TDFTOOL_STANDARD_OUTPUT_H
#define TDFTOOL_STANDARD_OUTPUT_H

#include <ostream>
#include <streambuf>

// Standard output of the tool, through one buffer whose every write is
// checked. The first write that fails is remembered with its reason and
// later output is dropped, so that a full disk is reported instead of
// leaving a cut-off output that looks whole.
class StandardOutput {
public:
    StandardOutput();
    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;

    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same output as a stream, for the TDF writer.
    std::ostream& stream() { return stream_; }
    // Writes out what is buffered, so that it comes before what is said
    // on standard error next; a failure is kept for finish().
    void flush() { stream_.flush(); }
    // Writes out what is buffered. False, after saying on standard error
    // what failed and why, when any of the output was lost.
    bool finish();

private:
    class Buffer : public std::streambuf {
    public:
        Buffer();
        // The errno of the first write that failed; 0 while none did.
        int failure() const { return failure_; }
        // Keeps the first reason only: later failures follow from it.
        void fail(int reason)
        {
            if (failure_ == 0)
                failure_ = reason;
        }

    protected:
        int_type overflow(int_type c) override;
        int sync() override;

    private:
        // Writes the buffered bytes out, or drops them after a failure.
        bool drain();

        char data_[1 << 16];
        int failure_ = 0;
    };

    Buffer buffer_;
    std::ostream stream_;
};

#endif

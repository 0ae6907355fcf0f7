// Writes a valid trace of a given number of lines for the built-in default
// configuration, the same for the same seed.
//
//   trace_generator [--messages | --bounded] [--seed N] LINES > trace.tdf
//
// The mixed trace uses every kind of statement the way a target would:
// definition blocks, block switches, instances created and deleted, calls
// and completions, messages nested several levels deep with their returns,
// thread switches, times, loops, notes, glyphs, actions and
// synchronisations. --messages gives the message-heavy mix: about 60% ME,
// 30% MR and 10% NI. --bounded gives a trace whose live state stays the
// same size however long it runs: about 50 instances alive at a time,
// created and deleted all along, messages that all return, actions, notes
// and loops.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const int blockCount = 3;
const int instancesPerBlock = 40;
const int messagesPerBlock = 300;
const int textsPerBlock = 50;
const char* const instanceTypes[] = {"Task", "Object", "Module", "Interrupt"};

enum class Mix { Mixed, MessageHeavy, Bounded };

class Generator {
public:
    Generator(unsigned seed, long long lines, Mix mix) : random_(seed), remaining_(lines), mix_(mix) {}

    void run()
    {
        line("tdp generated trace");
        for (int block = 1; block <= blockCount; ++block)
            defineBlock(block);
        line("TU \"us\"");
        line("TM 1000");
        line("TS 3");
        selectBlock(1);
        line("TI 1 1 10 \"main\"");
        while (remaining_ > 0) {
            switch (mix_) {
            case Mix::Mixed: mixedStep(); break;
            case Mix::MessageHeavy: messageStep(); break;
            case Mix::Bounded: boundedStep(); break;
            }
        }
    }

private:
    int pick(int count) { return int(random_() % unsigned(count)); }
    bool chance(int percent) { return pick(100) < percent; }

    void line(const std::string& text)
    {
        std::fputs(text.c_str(), stdout);
        std::fputc('\n', stdout);
        --remaining_;
    }

    void defineBlock(int block)
    {
        line("DB \"default\"");
        line("ID " + std::to_string(block));
        line("SO \"module" + std::to_string(block) + ".c\" 1733650000 \"txt\"");
        for (int i = 1; i <= instancesPerBlock; ++i) {
            line("LK " + std::to_string(10 * i));
            line("IN \"" + std::string(instanceTypes[i % 4]) + "\" " + std::to_string(i) + " \"part" +
                 std::to_string(i) + "\"");
        }
        for (int i = 0; i < messagesPerBlock; ++i)
            line("MS " + std::to_string(1000 + i) + " \"operation" + std::to_string(i) + "\"");
        for (int i = 0; i < textsPerBlock; ++i)
            line("TX " + std::to_string(5000 + i) + " \"state " + std::to_string(i) + "\"");
        line("ED");
    }

    void selectBlock(int block)
    {
        currentBlock_ = block;
        if (selected_ & (1 << block)) {
            line("CS " + std::to_string(block));
        } else {
            selected_ |= 1 << block;
            line("SF " + std::to_string(block) + " " + std::to_string(block));
        }
        // Messages and returns are matched within one block: start afresh.
        open_.clear();
    }

    // A live instance of the current block, created when there are few.
    int someInstance()
    {
        std::vector<long long>& live = live_[currentBlock_];
        if (live.size() < 4 || chance(3))
            return newInstance();
        return int(live[size_t(pick(int(live.size())))]);
    }

    int newInstance()
    {
        const long long id = nextInstanceId_++;
        line("NI " + std::to_string(1 + pick(instancesPerBlock)) + " " + std::to_string(id));
        live_[currentBlock_].push_back(id);
        current_ = id;
        return int(id);
    }

    std::string messageId() { return std::to_string(1000 + pick(messagesPerBlock)); }

    // A message awaits its return unless it is asynchronous.
    void emit(int receiver, bool awaitsReturn = true)
    {
        const std::string id = messageId();
        line("ME " + id + " " + std::to_string(receiver));
        if (awaitsReturn)
            open_.push_back({id, current_, receiver});
        current_ = receiver;
    }

    // True when an open message was sent or received by `instance`: its
    // return would come from, or go to, a deleted instance.
    bool owesReturn(long long instance) const
    {
        for (const OpenMessage& message : open_)
            if (message.sender == instance || message.receiver == instance)
                return true;
        return false;
    }

    void giveReturn()
    {
        line("MR " + open_.back().id);
        current_ = open_.back().sender;
        open_.pop_back();
    }

    // Half the messages are asynchronous signals that are never returned,
    // so that returns are half as frequent as messages and the reader's
    // open messages grow with the trace.
    void messageStep()
    {
        const int roll = pick(100);
        if (roll < 10 || live_[currentBlock_].size() < 4)
            newInstance();
        else if (roll < 40 && !open_.empty())
            giveReturn();
        else
            emit(someInstance(), open_.size() < 12 && chance(50));
    }

    // Instances come and go around 50 alive; every message returns.
    void boundedStep()
    {
        std::vector<long long>& live = live_[currentBlock_];
        const int roll = pick(100);
        if (live.size() < 45 || (roll < 5 && live.size() < 55)) {
            newInstance();
        } else if (roll < 10) {
            // An instance that is still to return a message is not deleted:
            // the return would come from a deleted instance.
            const size_t index = size_t(pick(int(live.size())));
            if (owesReturn(live[index]))
                return;
            line("DI " + std::to_string(live[index]));
            if (current_ == live[index])
                current_ = 0;
            live[index] = live.back();
            live.pop_back();
        } else if (roll < 50) {
            if (open_.size() < 6)
                emit(int(live[size_t(pick(int(live.size())))]));
            else
                giveReturn();
        } else if (roll < 85) {
            if (!open_.empty())
                giveReturn();
        } else if (roll < 90) {
            line("AC " + std::to_string(5000 + pick(textsPerBlock)) + " " +
                 std::to_string(live[size_t(pick(int(live.size())))]));
        } else if (roll < 94) {
            if (open_.size() < 6) {
                line("NO \"checkpoint " + std::to_string(pick(1000)) + "\"");
                emit(int(live[size_t(pick(int(live.size())))]));
            }
        } else if (roll < 98) {
            loopStep();
        } else {
            line("TM " + std::to_string(time_ += 1000 + pick(5000)));
        }
    }

    void mixedStep()
    {
        const int roll = pick(1000);
        if (roll < 300) {
            if (open_.size() < 8)
                emit(someInstance());
            else
                giveReturn();
        } else if (roll < 550) {
            if (!open_.empty())
                giveReturn();
        } else if (roll < 620) {
            const long long call = nextCallId_++;
            const std::string id = messageId();
            line("MC " + std::to_string(call) + " " + id);
            const int receiver = someInstance();
            line("ME " + id + " " + std::to_string(receiver) + " " + std::to_string(call));
            open_.push_back({id, current_, receiver});
        } else if (roll < 680) {
            line("TM " + std::to_string(time_ += 1000 + pick(5000)));
        } else if (roll < 700) {
            line("HS " + std::to_string(4096 + pick(65536)));
        } else if (roll < 730) {
            line("AC " + std::to_string(5000 + pick(textsPerBlock)) + " " + std::to_string(someInstance()));
        } else if (roll < 750) {
            line("NO \"checkpoint " + std::to_string(pick(1000)) + "\"");
            emit(someInstance());
        } else if (roll < 765) {
            line("GL " + std::to_string(1 + pick(4)) + " " + std::to_string(5000 + pick(textsPerBlock)));
            emit(someInstance());
        } else if (roll < 790) {
            loopStep();
        } else if (roll < 800) {
            const int first = someInstance();
            const int second = someInstance();
            if (first != second)
                line("SY \"rendezvous\" " + std::to_string(first) + " " + std::to_string(second));
        } else if (roll < 830) {
            threadStep();
        } else if (roll < 850) {
            deleteStep();
        } else if (roll < 852) {
            if (open_.empty())
                selectBlock(1 + pick(blockCount));
        } else if (roll < 855) {
            line("LK \"module.c:" + std::to_string(pick(9999)) + "\"");
            line("ST " + std::to_string(1 + pick(13)));
            emit(someInstance());
        } else {
            newInstanceOrMessage();
        }
    }

    void newInstanceOrMessage()
    {
        if (chance(20))
            newInstance();
        else if (open_.size() < 8)
            emit(someInstance());
    }

    void loopStep()
    {
        if (loopDepth_ > 0 && (loopDepth_ >= 3 || chance(50))) {
            line("LE");
            --loopDepth_;
        } else {
            line("LS " + std::to_string(1 + pick(20)));
            ++loopDepth_;
        }
    }

    void threadStep()
    {
        // Threads only change between messages, so that returns match.
        if (!open_.empty())
            return;
        const int thread = 1 + pick(4);
        line("TI " + std::to_string(thread) + " " + std::to_string(1 + pick(3)) + " 10 \"thread" +
             std::to_string(thread) + "\"");
        line("TI " + std::to_string(thread) + " 1 10");
    }

    void deleteStep()
    {
        std::vector<long long>& live = live_[currentBlock_];
        if (live.size() < 8 || !open_.empty())
            return;
        if (chance(10)) {
            line("DA");
            for (auto& ids : live_)
                ids.clear();
            return;
        }
        const size_t index = size_t(pick(int(live.size())));
        line("DI " + std::to_string(live[index]));
        live[index] = live.back();
        live.pop_back();
    }

    std::mt19937 random_;
    long long remaining_;
    Mix mix_;
    int currentBlock_ = 1;
    int selected_ = 0;
    std::vector<long long> live_[blockCount + 1];
    struct OpenMessage {
        std::string id;
        long long sender;  // the current instance when it was sent, 0 for none
        long long receiver;
    };
    std::vector<OpenMessage> open_;
    long long current_ = 0;  // the instance the reader takes as the next sender (bounded mix)
    long long nextInstanceId_ = 1;
    long long nextCallId_ = 1;
    long long time_ = 1000;
    int loopDepth_ = 0;
};

}

int main(int argc, char** argv)
{
    Mix mix = Mix::Mixed;
    unsigned seed = 1;
    long long lines = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--messages") == 0)
            mix = Mix::MessageHeavy;
        else if (std::strcmp(argv[i], "--bounded") == 0)
            mix = Mix::Bounded;
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        else
            lines = std::strtoll(argv[i], nullptr, 10);
    }
    if (lines <= 0) {
        std::fputs("usage: trace_generator [--messages | --bounded] [--seed N] LINES\n", stderr);
        return 2;
    }
    Generator(seed, lines, mix).run();
    return 0;
}

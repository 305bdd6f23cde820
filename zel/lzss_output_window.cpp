// The LZSS decoder's output window: match copies over the recent output, draining to the sink.
#include "zel/lzss_output_window.h"

#include "zel/lzss_format.h"

namespace Zel {
namespace {
constexpr size_t kDrainBlock = 0x40000;
}

LZSSOutputWindow::LZSSOutputWindow(IOSlave& sink)
    : sink_(sink), buffer_(kHistory + kDrainBlock + kShortCopy), capacity_(kHistory + kDrainBlock)
{}

bool LZSSOutputWindow::Drain()
{
    if (failed_)
        return false;
    const size_t fresh = end_ - kept_;
    if (fresh > 0 && sink_.Write(buffer_.data() + kept_, fresh) != fresh) {
        failed_ = true;
        return false;
    }
    flushed_ += fresh;
    const size_t keep = end_ < kHistory ? end_ : kHistory;
    memmove(buffer_.data(), buffer_.data() + end_ - keep, keep);
    kept_ = keep;
    end_ = keep;
    return true;
}

uint8_t* LZSSOutputWindow::Reserve(size_t count)
{
    // A request larger than the room a drain leaves is refused, not handed
    // a span that runs off the buffer.
    if (capacity_ - end_ < count && (!Drain() || capacity_ - end_ < count))
        return nullptr;
    return buffer_.data() + end_;
}

bool LZSSOutputWindow::CopyChecked(size_t distance, size_t length)
{
    if (distance == 0 || distance > kHistory || distance > Produced())
        return false;
    uint8_t* out = Reserve(length);
    if (out == nullptr)
        return false;
    const uint8_t* from = out - distance;
    if (distance >= kCopyBlock) {
        // No block reads what the same block writes, and a later block
        // reads what earlier ones wrote, as a match means.
        for (size_t done = 0; done < length; done += kCopyBlock)
            memcpy(out + done, from + done, kCopyBlock);
    } else if (distance == 1) {
        memset(out, *from, length);
    } else {
        // Overlapping copies repeat the pattern: after the first period is
        // written, the output so far is a whole number of periods and can be
        // copied onto its own end in doubling blocks.
        size_t done = distance < length ? distance : length;
        memcpy(out, from, done);
        while (done < length) {
            const size_t take = done < length - done ? done : length - done;
            memcpy(out + done, out, take);
            done += take;
        }
    }
    end_ += length;
    return true;
}

bool LZSSOutputWindow::Finish()
{
    return Drain();
}

}  // namespace Zel

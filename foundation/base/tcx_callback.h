// Job objects: a call with one pointer-sized argument that the job dispatcher runs on a suitable thread.
#pragma once

#include <cstdint>

// The base of every job. The dispatcher owns a job once it is posted and
// deletes it after running it (or after dropping it unrun).
class TCXCallbackBase {
public:
    virtual ~TCXCallbackBase() = default;

    // Runs the job with the poster's argument (which doubles as the cancel
    // key). The base does nothing and returns -1.
    virtual int Call(intptr_t argument);

    // Told just before the dispatcher deletes the job without running it
    // (cancelled, posted after the dispatcher stopped, swept at exit). Jobs
    // whose owner waits on something other than the poster's status bytes
    // (the worker call chain) use it to stop that wait.
    virtual void Dropped(intptr_t argument);
};

// A plain function taking the argument and returning an int.
class TCXCallbackCIntPtr : public TCXCallbackBase {
public:
    using Function = int (*)(intptr_t argument);

    explicit TCXCallbackCIntPtr(Function function) : function_(function) {}

    int Call(intptr_t argument) override;

private:
    Function function_;
};

// A member function of an object taking the argument; the call returns 0.
// The job does not own the object.
template <class Target>
class TCXCallbackCPPVoidPtr : public TCXCallbackBase {
public:
    using Member = void (Target::*)(intptr_t argument);

    TCXCallbackCPPVoidPtr(Target* object, Member member) : object_(object), member_(member) {}

    int Call(intptr_t argument) override
    {
        if (object_ == nullptr || member_ == nullptr)
            return 0;
        (object_->*member_)(argument);
        return 0;
    }

    Target* GetObject() const { return object_; }

private:
    Target* object_;
    Member member_;
};

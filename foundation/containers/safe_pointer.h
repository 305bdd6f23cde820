// SafePointer and SafePointerTarget: pointers that become null when their target goes away.
#pragma once

template <class T>
class SafePointer;

// Base of objects that safe pointers may refer to. It keeps the safe pointers
// registered with it in a circular list and nulls them all when it dies.
template <class T>
class SafePointerTarget {
public:
    SafePointerTarget() = default;
    // A copy is a new object: no safe pointer refers to it yet.
    SafePointerTarget(const SafePointerTarget&) {}
    SafePointerTarget& operator=(const SafePointerTarget&) { return *this; }
    ~SafePointerTarget() { DetachAll(); }

    // Nulls the target of every registered safe pointer and leaves each one
    // linked to itself.
    void DetachAll()
    {
        SafePointer<T>* node = ring_;
        ring_ = nullptr;
        while (node != nullptr) {
            SafePointer<T>* next = node->next_ == node ? nullptr : node->next_;
            node->target_ = nullptr;
            node->previous_->next_ = node->next_;
            node->next_->previous_ = node->previous_;
            node->next_ = node;
            node->previous_ = node;
            node = next;
        }
    }

    bool HasSafePointers() const { return ring_ != nullptr; }

private:
    friend class SafePointer<T>;
    SafePointer<T>* ring_ = nullptr;
};

// A pointer to a T (derived from SafePointerTarget<T>) that reads null once
// the target is destroyed or detaches its pointers.
template <class T>
class SafePointer {
public:
    SafePointer() = default;
    explicit SafePointer(T* target) { Set(target); }
    SafePointer(const SafePointer& other) { Set(other.target_); }
    SafePointer& operator=(const SafePointer& other)
    {
        if (this != &other)
            Set(other.target_);
        return *this;
    }
    SafePointer& operator=(T* target)
    {
        Set(target);
        return *this;
    }
    ~SafePointer() { Set(nullptr); }

    T* Get() const { return target_; }
    T* operator->() const { return target_; }
    T& operator*() const { return *target_; }
    explicit operator bool() const { return target_ != nullptr; }

    void Set(T* target)
    {
        if (target == target_)
            return;
        Leave();
        target_ = target;
        if (target_ != nullptr)
            Join(*static_cast<SafePointerTarget<T>*>(target_));
    }

private:
    friend class SafePointerTarget<T>;

    void Join(SafePointerTarget<T>& owner)
    {
        SafePointer* head = owner.ring_;
        if (head == nullptr) {
            owner.ring_ = this;
            return;
        }
        previous_ = head->previous_;
        next_ = head;
        head->previous_->next_ = this;
        head->previous_ = this;
    }

    void Leave()
    {
        if (target_ == nullptr)
            return;
        SafePointerTarget<T>& owner = *static_cast<SafePointerTarget<T>*>(target_);
        if (owner.ring_ == this)
            owner.ring_ = next_ == this ? nullptr : next_;
        previous_->next_ = next_;
        next_->previous_ = previous_;
        next_ = this;
        previous_ = this;
        target_ = nullptr;
    }

    T* target_ = nullptr;
    SafePointer* previous_ = this;
    SafePointer* next_ = this;
};

#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

// Handles cross the C interface as 32-bit ids. Ids are not reused soon, so a stale handle finds
// nothing instead of someone else's object.
namespace cdgrb {

template <class T> class HandleTable {
public:
    std::int32_t add(std::shared_ptr<T> object) {
        std::lock_guard lock(mutex_);
        do {
            next_ = next_ >= INT32_MAX ? 1 : next_ + 1;
        } while (objects_.count(next_) != 0);
        objects_.emplace(next_, std::move(object));
        return next_;
    }
    std::shared_ptr<T> find(std::int32_t id) {
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(id);
        return it == objects_.end() ? nullptr : it->second;
    }
    std::shared_ptr<T> remove(std::int32_t id) {
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(id);
        if (it == objects_.end())
            return nullptr;
        auto object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

private:
    std::mutex mutex_;
    std::map<std::int32_t, std::shared_ptr<T>> objects_;
    std::int32_t next_ = 0;
};

} // namespace cdgrb

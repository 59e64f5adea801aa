#include "platform/Picture.h"

namespace vantorix {

Picture::~Picture() {
    if (handle_ != 0) gdi::DeleteObject(handle_);
}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        if (handle_ != 0) gdi::DeleteObject(handle_);
        handle_ = other.handle_;
        other.handle_ = 0;
    }
    return *this;
}

}  // namespace vantorix

#include "platform/Gdi.h"

#include "platform/FileMapping.h"

#include <QImage>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vantorix::gdi {

namespace {

struct FreeMemory {
    void operator()(std::uint8_t* memory) const noexcept { std::free(memory); }
};

// A bitmap is either a section (24-bit rows in memory the caller can reach:
// memory of its own, or a read-only view of a file) or a device-dependent
// bitmap, kept as a 32-bit image.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::uint8_t* sectionBits = nullptr;
    std::unique_ptr<std::uint8_t, FreeMemory> sectionMemory;
    std::shared_ptr<FileMapping> sectionFile;
    int sectionStride = 0;
    bool sectionBottomUp = true;
    QImage image;
    HDC selectedInto = 0;
    bool stock = false;

    bool IsSection() const { return sectionBits != nullptr; }

    // Rows are counted from the top of the picture.
    std::size_t SectionOffset(int py) const {
        const int memoryRow = sectionBottomUp ? height - 1 - py : py;
        return static_cast<std::size_t>(memoryRow) * static_cast<std::size_t>(sectionStride);
    }
    std::uint8_t* Row(int py) { return IsSection() ? sectionBits + SectionOffset(py) : image.scanLine(py); }
    // Reading must not detach an image shared with a caller.
    const std::uint8_t* ConstRow(int py) const {
        return IsSection() ? sectionBits + SectionOffset(py) : image.constScanLine(py);
    }
    int BytesPerPixel() const { return IsSection() ? 3 : 4; }
};

struct DeviceContext {
    bool screen = false;
    HBITMAP selected = 0;
};

constexpr HWND DesktopWindow = 0x00010010;

struct HandleTable {
    std::unordered_map<HANDLE, Bitmap> bitmaps;
    std::unordered_map<HANDLE, DeviceContext> contexts;
    std::unordered_map<HANDLE, std::shared_ptr<FileMapping>> mappings;
    HANDLE next = 0x00020000;
    HBITMAP stockBitmap = 0;

    HANDLE NewHandle() {
        do {
            ++next;
        } while (next == 0 || next == DesktopWindow || bitmaps.count(next) != 0 || contexts.count(next) != 0 ||
                 mappings.count(next) != 0);
        return next;
    }

    // The memory of the section deleted last, kept for a new one of the same
    // size: a face after a face of the same size then costs no fresh pages
    // (a 48 MB block faults in for tens of milliseconds).
    std::unique_ptr<std::uint8_t, FreeMemory> spareSection;
    std::size_t spareSize = 0;

    void KeepSpareSection(std::unique_ptr<std::uint8_t, FreeMemory> memory, std::size_t size) {
        spareSection = std::move(memory);
        spareSize = size;
    }

    // Zeroed memory for a section, the spare block when it fits exactly.
    std::unique_ptr<std::uint8_t, FreeMemory> TakeSpareSection(std::size_t size) {
        std::unique_ptr<std::uint8_t, FreeMemory> memory = std::move(spareSection);
        if (memory != nullptr && spareSize == size) {
            std::memset(memory.get(), 0, size);
            return memory;
        }
        memory.reset();  // a block of another size is of no further use: give it back first
        return std::unique_ptr<std::uint8_t, FreeMemory>(static_cast<std::uint8_t*>(std::calloc(size, 1)));
    }

    Bitmap* FindBitmap(HANDLE handle) {
        const auto found = bitmaps.find(handle);
        return found == bitmaps.end() ? nullptr : &found->second;
    }

    DeviceContext* FindContext(HANDLE handle) {
        const auto found = contexts.find(handle);
        return found == contexts.end() ? nullptr : &found->second;
    }

    // Every new memory context starts with this 1 x 1 bitmap selected, as on
    // Windows; it is shared and never deleted.
    HBITMAP StockBitmap() {
        if (stockBitmap == 0) {
            Bitmap stock;
            stock.width = stock.height = 1;
            stock.image = QImage(1, 1, QImage::Format_RGB32);
            stock.image.fill(Qt::black);
            stock.stock = true;
            stockBitmap = NewHandle();
            bitmaps.emplace(stockBitmap, std::move(stock));
        }
        return stockBitmap;
    }
};

// Never destroyed: objects that outlive main, such as the loaded picture,
// still release their handles at exit.
HandleTable& Table() {
    static HandleTable* const table = new HandleTable;
    return *table;
}

// The bitmap a memory context draws on, or null for the screen or a dead handle.
Bitmap* SurfaceOf(HDC hdc) {
    DeviceContext* context = Table().FindContext(hdc);
    if (context == nullptr || context->screen) return nullptr;
    return Table().FindBitmap(context->selected);
}

void ConvertRow(const std::uint8_t* source, int sourceBytes, std::uint8_t* destination, int destinationBytes, int pixels) {
    if (sourceBytes == destinationBytes) {
        std::memmove(destination, source, static_cast<std::size_t>(pixels) * static_cast<std::size_t>(sourceBytes));
    } else if (sourceBytes == 4) {
        for (int p = 0; p < pixels; ++p, source += 4, destination += 3) {
            destination[0] = source[0];
            destination[1] = source[1];
            destination[2] = source[2];
        }
    } else {
        for (int p = 0; p < pixels; ++p, source += 3, destination += 4) {
            destination[0] = source[0];
            destination[1] = source[1];
            destination[2] = source[2];
            destination[3] = 0xFF;
        }
    }
}

// Moves a span [start, start + length) so that it lies inside [0, limit) on
// both sides; false when nothing of it is left.
bool ClipSpan(long long& destinationStart, long long& sourceStart, long long& length, long long destinationLimit,
              long long sourceLimit) {
    const long long skip = std::max({0LL, -destinationStart, -sourceStart});
    destinationStart += skip;
    sourceStart += skip;
    length -= skip;
    length = std::min({length, destinationLimit - destinationStart, sourceLimit - sourceStart});
    return length > 0;
}

}  // namespace

HDC CreateCompatibleDC(HDC hdc) {
    HandleTable& table = Table();
    if (hdc != 0 && table.FindContext(hdc) == nullptr) return 0;
    const HBITMAP stock = table.StockBitmap();
    const HDC handle = table.NewHandle();
    table.contexts.emplace(handle, DeviceContext{false, stock});
    return handle;
}

BOOL DeleteDC(HDC hdc) {
    HandleTable& table = Table();
    DeviceContext* context = table.FindContext(hdc);
    if (context == nullptr || context->screen) return FALSE;
    if (Bitmap* selected = table.FindBitmap(context->selected); selected != nullptr && !selected->stock) {
        selected->selectedInto = 0;
    }
    table.contexts.erase(hdc);
    return TRUE;
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
    if (bits != nullptr) *bits = nullptr;
    HandleTable& table = Table();
    if (hdc != 0 && table.FindContext(hdc) == nullptr) return 0;
    if (info == nullptr || usage != DIB_RGB_COLORS) return 0;
    const auto mapping = table.mappings.find(section);
    if ((section != 0 && mapping == table.mappings.end()) || (section == 0 && offset != 0)) return 0;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biBitCount != 24 ||
        header.biCompression != BI_RGB) {
        return 0;
    }
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT_MIN) return 0;

    const long long stride = (static_cast<long long>(header.biWidth) * 3 + 3) & ~3LL;
    const long long height = header.biHeight > 0 ? header.biHeight : -static_cast<long long>(header.biHeight);
    if (stride * height > INT_MAX) return 0;

    Bitmap bitmap;
    if (section != 0) {
        const std::shared_ptr<FileMapping>& file = mapping->second;
        if (offset > file->Size() || static_cast<unsigned long long>(stride * height) > file->Size() - offset) return 0;
        bitmap.sectionFile = file;
        bitmap.sectionBits = const_cast<std::uint8_t*>(file->Data()) + offset;  // read-only: no blit writes it
    } else {
        bitmap.sectionMemory = table.TakeSpareSection(static_cast<std::size_t>(stride * height));
        if (bitmap.sectionMemory == nullptr) return 0;
        bitmap.sectionBits = bitmap.sectionMemory.get();
    }
    bitmap.width = header.biWidth;
    bitmap.height = static_cast<int>(height);
    bitmap.sectionStride = static_cast<int>(stride);
    bitmap.sectionBottomUp = header.biHeight > 0;
    if (bits != nullptr) *bits = bitmap.sectionBits;
    const HBITMAP handle = table.NewHandle();
    table.bitmaps.emplace(handle, std::move(bitmap));
    return handle;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    if (Table().FindContext(hdc) == nullptr || width <= 0 || height <= 0) return 0;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return 0;
    image.fill(Qt::black);
    return CreateBitmapFromImage(image);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    HandleTable& table = Table();
    DeviceContext* context = table.FindContext(hdc);
    Bitmap* bitmap = table.FindBitmap(object);
    if (context == nullptr || context->screen || bitmap == nullptr) return 0;
    if (context->selected == object) return object;
    if (!bitmap->stock && bitmap->selectedInto != 0) return 0;

    const HBITMAP previous = context->selected;
    if (Bitmap* old = table.FindBitmap(previous); old != nullptr && !old->stock) old->selectedInto = 0;
    if (!bitmap->stock) bitmap->selectedInto = hdc;
    context->selected = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    HandleTable& table = Table();
    Bitmap* bitmap = table.FindBitmap(object);
    if (bitmap == nullptr || bitmap->selectedInto != 0) return FALSE;
    if (bitmap->stock) return TRUE;
    if (bitmap->sectionMemory != nullptr) {
        table.KeepSpareSection(std::move(bitmap->sectionMemory),
                               static_cast<std::size_t>(bitmap->sectionStride) * static_cast<std::size_t>(bitmap->height));
    }
    table.bitmaps.erase(object);
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
    const Bitmap* bitmap = Table().FindBitmap(object);
    if (bitmap == nullptr) return 0;
    if (buffer == nullptr) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP description{};
    description.bmWidth = bitmap->width;
    description.bmHeight = bitmap->height;
    description.bmWidthBytes = bitmap->IsSection() ? bitmap->sectionStride : bitmap->width * 4;
    description.bmPlanes = 1;
    description.bmBitsPixel = static_cast<std::uint16_t>(bitmap->BytesPerPixel() * 8);
    std::memcpy(buffer, &description, sizeof description);
    return sizeof(BITMAP);
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
    Bitmap* target = SurfaceOf(destination);
    Bitmap* origin = SurfaceOf(source);
    if (target == nullptr || origin == nullptr || rop != SRCCOPY || width < 0 || height < 0) return FALSE;
    if (target->sectionFile != nullptr) return FALSE;  // a view of a file is never written

    long long targetLeft = x, originLeft = sourceX, columns = width;
    long long targetTop = y, originTop = sourceY, rows = height;
    if (!ClipSpan(targetLeft, originLeft, columns, target->width, origin->width) ||
        !ClipSpan(targetTop, originTop, rows, target->height, origin->height)) {
        return TRUE;
    }

    const int fromBytes = origin->BytesPerPixel();
    const int toBytes = target->BytesPerPixel();
    const int count = static_cast<int>(columns);
    // A blit within one bitmap may overlap itself: take the source rows first.
    std::vector<std::uint8_t> copy;
    if (origin == target) copy.resize(static_cast<std::size_t>(rows * columns * fromBytes));
    const std::size_t copyRow = static_cast<std::size_t>(columns * fromBytes);
    for (long long r = 0; r < rows && origin == target; ++r) {
        std::memcpy(copy.data() + r * copyRow, origin->ConstRow(static_cast<int>(originTop + r)) + originLeft * fromBytes, copyRow);
    }
    for (long long r = 0; r < rows; ++r) {
        const std::uint8_t* from = origin == target
                                       ? copy.data() + r * copyRow
                                       : origin->ConstRow(static_cast<int>(originTop + r)) + originLeft * fromBytes;
        std::uint8_t* to = target->Row(static_cast<int>(targetTop + r)) + targetLeft * toBytes;
        ConvertRow(from, fromBytes, to, toBytes, count);
    }
    return TRUE;
}

HANDLE CreateFileMappingA(const std::string& path) {
    std::shared_ptr<FileMapping> file = FileMapping::Open(path);
    if (file == nullptr) return 0;
    HandleTable& table = Table();
    const HANDLE handle = table.NewHandle();
    table.mappings.emplace(handle, std::move(file));
    return handle;
}

BOOL CloseHandle(HANDLE object) {
    return Table().mappings.erase(object) != 0 ? TRUE : FALSE;
}

std::shared_ptr<const FileMapping> SectionFile(HBITMAP section) {
    const Bitmap* bitmap = Table().FindBitmap(section);
    return bitmap != nullptr ? bitmap->sectionFile : nullptr;
}

HWND GetDesktopWindow() { return DesktopWindow; }

HDC GetDC(HWND window) {
    if (window != 0 && window != DesktopWindow) return 0;
    HandleTable& table = Table();
    const HDC handle = table.NewHandle();
    table.contexts.emplace(handle, DeviceContext{true, 0});
    return handle;
}

int ReleaseDC(HWND, HDC hdc) {
    HandleTable& table = Table();
    const DeviceContext* context = table.FindContext(hdc);
    if (context == nullptr || !context->screen) return 0;
    table.contexts.erase(hdc);
    return 1;
}

HBITMAP CreateBitmapFromImage(const QImage& image) {
    if (image.isNull()) return 0;
    Bitmap bitmap;
    bitmap.width = image.width();
    bitmap.height = image.height();
    bitmap.image = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (bitmap.image.isNull()) return 0;
    HandleTable& table = Table();
    const HBITMAP handle = table.NewHandle();
    table.bitmaps.emplace(handle, std::move(bitmap));
    return handle;
}

QImage BitmapImage(HBITMAP handle) {
    Bitmap* bitmap = Table().FindBitmap(handle);
    if (bitmap == nullptr) return {};
    if (!bitmap->IsSection()) return bitmap->image;
    QImage image(bitmap->width, bitmap->height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    for (int py = 0; py < bitmap->height; ++py) ConvertRow(bitmap->ConstRow(py), 3, image.scanLine(py), 4, bitmap->width);
    return image;
}

int LiveObjectCount() {
    const HandleTable& table = Table();
    return static_cast<int>(table.contexts.size() + table.bitmaps.size() + table.mappings.size()) -
           (table.stockBitmap != 0 ? 1 : 0);
}

}  // namespace vantorix::gdi

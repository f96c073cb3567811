#include "line_format.h"

#include <stdint.h>
#include <string.h>

namespace kav {
namespace {

// Keeps counting past the end of the buffer so the caller learns the full
// length, but stores only what fits in front of the terminating zero.
class Sink {
public:
    Sink(char* out, size_t capacity) : out_(out), capacity_(capacity) {}

    void put(char c)
    {
        if (length_ + 1 < capacity_) out_[length_] = c;
        ++length_;
    }
    void repeat(char c, size_t count)
    {
        for (size_t i = 0; i < count; ++i) put(c);
    }
    size_t finish()
    {
        if (capacity_ != 0) out_[length_ < capacity_ ? length_ : capacity_ - 1] = '\0';
        return length_;
    }

private:
    char* out_;
    size_t capacity_;
    size_t length_ = 0;
};

// How one conversion is laid out: its minimum width, padded with blanks or zeros.
struct Field {
    bool zero_pad = false;
    size_t width = 0;
};

void put_padded(Sink& sink, const Field& field, const char* sign, const char* body, size_t body_length)
{
    const size_t sign_length = strlen(sign);
    const size_t used = sign_length + body_length;
    const size_t padding = field.width > used ? field.width - used : 0;
    if (!field.zero_pad) sink.repeat(' ', padding);
    for (size_t i = 0; i < sign_length; ++i) sink.put(sign[i]);
    if (field.zero_pad) sink.repeat('0', padding);
    for (size_t i = 0; i < body_length; ++i) sink.put(body[i]);
}

// 32-bit arithmetic only: 64-bit division would pull in libgcc on i686.
void put_unsigned(Sink& sink, const Field& field, const char* sign, uint32_t value, uint32_t base, bool upper)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char body[32];
    size_t start = sizeof body; // filled from the right, lowest digit first
    do {
        body[--start] = digits[value % base];
        value /= base;
    } while (value != 0);
    put_padded(sink, field, sign, body + start, sizeof body - start);
}

} // namespace

size_t format_line_v(char* out, size_t capacity, const char* format, va_list args)
{
    Sink sink(out, capacity);
    if (format == nullptr) return sink.finish();

    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            sink.put(*p);
            continue;
        }
        const char* start = p++;
        Field field;
        if (*p == '0') {
            field.zero_pad = true;
            ++p;
        }
        while (*p >= '0' && *p <= '9') {
            if (field.width < 1000) field.width = field.width * 10 + static_cast<size_t>(*p - '0');
            ++p;
        }
        switch (*p) {
        case 'd': {
            const int value = va_arg(args, int);
            // Negate as unsigned so INT_MIN stays defined.
            const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
            put_unsigned(sink, field, value < 0 ? "-" : "", magnitude, 10, false);
            break;
        }
        case 'u':
            put_unsigned(sink, field, "", va_arg(args, unsigned int), 10, false);
            break;
        case 'x':
        case 'X':
            put_unsigned(sink, field, "", va_arg(args, unsigned int), 16, *p == 'X');
            break;
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            put_padded(sink, Field{false, field.width}, "", &c, 1);
            break;
        }
        case 's': {
            const char* text = va_arg(args, const char*);
            if (text == nullptr) text = "(null)";
            put_padded(sink, Field{false, field.width}, "", text, strlen(text));
            break;
        }
        case '%':
            sink.put('%');
            break;
        default:
            // Unknown or cut-off conversion: show it as written.
            for (const char* q = start; q != p; ++q) sink.put(*q);
            if (*p == '\0') return sink.finish();
            sink.put(*p);
            break;
        }
    }
    return sink.finish();
}

size_t format_line(char* out, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const size_t length = format_line_v(out, capacity, format, args);
    va_end(args);
    return length;
}

} // namespace kav

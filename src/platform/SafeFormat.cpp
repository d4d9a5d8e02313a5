#include "platform/SafeFormat.h"

#include <cstdio>
#include <vector>

std::string FormatInts(std::string_view format, std::initializer_list<long long> args)
{
    std::vector<long long> values(args);
    size_t next = 0;
    std::string out;
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // %[flags][width][.precision][length]conversion, widths bounded to keep output small.
        size_t j = i + 1;
        std::string conversion = "%";
        while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos)
            conversion += format[j++];
        int width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9' && width < 100)
            width = width * 10 + (format[j++] - '0');
        if (width)
            conversion += std::to_string(width);
        if (j < format.size() && format[j] == '.') {
            int prec = 0;
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && prec < 100)
                prec = prec * 10 + (format[j++] - '0');
            conversion += "." + std::to_string(prec);
        }
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h'))
            ++j;
        char conv = j < format.size() ? format[j] : '\0';
        if (std::string_view("diuxXo").find(conv) == std::string_view::npos || conv == '\0') {
            out += format.substr(i, (j < format.size() ? j + 1 : j) - i);
            i = j < format.size() ? j + 1 : j;
            continue;
        }
        long long v = next < values.size() ? values[next] : 0;
        ++next;
        conversion += "ll";
        conversion += conv;
        char buf[256];
        std::snprintf(buf, sizeof buf, conversion.c_str(), v);
        out += buf;
        i = j + 1;
    }
    return out;
}

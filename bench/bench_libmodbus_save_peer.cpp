// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_libmodbus_save_peer: the peer of bench_z4ctl_save, a configuration save as a small blocking
// libmodbus program would do it: one connection, the given blocks of holding registers read one
// after another, and every value written to a file, whole or not at all (a temporary file beside
// it, flushed to disk, then renamed over it), one "register=value" line each.
//
//     bench_libmodbus_save_peer HOST PORT UNIT FILE FIRST:COUNT...
//
// Exits with 0 when every block was read and the file written, 1 otherwise (saying why on stderr).
#include <modbus.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {
constexpr int kMaxCount = MODBUS_MAX_READ_REGISTERS;

struct Block
{
    int First;
    int Count;
};

int Fail(const char *what, const char *why)
{
    std::fprintf(stderr, "bench_libmodbus_save_peer: %s: %s\n", what, why);
    return 1;
}

// A whole number from text (decimal or 0x hexadecimal) within min .. max.
bool ParseNumber(const char *text, long min, long max, long &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

bool ParseBlock(const char *text, Block &block)
{
    const char *colon = std::strchr(text, ':');
    if (!colon)
        return false;
    const std::string first(text, colon);
    long start = 0;
    long count = 0;
    if (!ParseNumber(first.c_str(), 0, 0xFFFF, start) || !ParseNumber(colon + 1, 1, kMaxCount, count)
        || start + count > 0x10000)
        return false;
    block = {static_cast<int>(start), static_cast<int>(count)};
    return true;
}
}  // namespace

int main(int argc, char *argv[])
{
    if (argc < 6) {
        std::fputs("usage: bench_libmodbus_save_peer HOST PORT UNIT FILE FIRST:COUNT...\n", stderr);
        return 1;
    }
    long port = 0;
    long unit = 0;
    if (!ParseNumber(argv[2], 1, 65535, port) || !ParseNumber(argv[3], 0, 255, unit))
        return Fail("bad port or unit", argv[2]);
    const std::string fileName = argv[4];
    std::vector<Block> blocks;
    for (int i = 5; i < argc; ++i) {
        Block block{};
        if (!ParseBlock(argv[i], block))
            return Fail("bad block (FIRST:COUNT, count 1 to 125)", argv[i]);
        blocks.push_back(block);
    }

    modbus_t *context = modbus_new_tcp(argv[1], static_cast<int>(port));
    if (!context)
        return Fail("modbus_new_tcp", modbus_strerror(errno));
    modbus_set_slave(context, static_cast<int>(unit));  // Modbus TCP's default unit 0xFF is not the board's
    if (modbus_connect(context) != 0) {
        const int error = errno;
        modbus_free(context);
        return Fail("modbus_connect", modbus_strerror(error));
    }

    std::vector<uint16_t> values;
    std::array<uint16_t, kMaxCount> buffer{};
    for (const Block &block : blocks) {
        if (modbus_read_registers(context, block.First, block.Count, buffer.data()) != block.Count) {
            const int error = errno;
            modbus_close(context);
            modbus_free(context);
            char where[32];
            std::snprintf(where, sizeof where, "read 0x%04X, %d", block.First, block.Count);
            return Fail(where, modbus_strerror(error));
        }
        values.insert(values.end(), buffer.begin(), buffer.begin() + block.Count);
    }
    modbus_close(context);
    modbus_free(context);

    const std::string temporary = fileName + ".part";
    std::FILE *file = std::fopen(temporary.c_str(), "w");
    if (!file)
        return Fail(temporary.c_str(), std::strerror(errno));
    size_t next = 0;
    for (const Block &block : blocks) {
        for (int k = 0; k < block.Count; ++k)
            std::fprintf(file, "0x%04X=%u\n", block.First + k, values[next++]);
    }
    bool written = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    int error = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        std::remove(temporary.c_str());
        return Fail(fileName.c_str(), std::strerror(error));
    }
    return 0;
}

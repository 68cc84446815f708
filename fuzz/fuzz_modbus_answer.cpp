// TModbusClient::CheckAnswer on any request and answer PDU: the first byte of the input is the
// length of the request, the bytes after it the request and then the answer.
#include "FuzzCheck.h"
#include "link/TModbusClient.h"

#include <QtEndian>

#include <algorithm>
#include <cstdint>

namespace {
quint16 WordAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromBigEndian<quint16>(bytes.constData() + offset);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto *bytes = reinterpret_cast<const char *>(data);
    const qsizetype requestSize = std::min<qsizetype>(data[0], static_cast<qsizetype>(size) - 1);
    const QByteArray request(bytes + 1, requestSize);
    const QByteArray answer(bytes + 1 + requestSize, static_cast<qsizetype>(size) - 1 - requestSize);

    const bool accepted = TModbusClient::CheckAnswer(request, answer).isEmpty();
    if (request.size() < 5) {
        FUZZ_CHECK(!accepted);
        return 0;
    }

    const auto function = static_cast<quint8>(request[0]);
    const quint16 first = WordAt(request, 1);
    const quint16 second = WordAt(request, 3);
    if (accepted) {
        // What the reply closures are handed is exactly what the request asked for.
        FUZZ_CHECK(answer.size() >= 2 && static_cast<quint8>(answer[0]) == function);
        if (function == 0x03) {
            FUZZ_CHECK(static_cast<quint8>(answer[1]) == 2 * second);
            FUZZ_CHECK(answer.size() == 2 + 2 * second);
        } else {
            FUZZ_CHECK(function == 0x06 || function == 0x10);
            FUZZ_CHECK(answer.size() == 5 && WordAt(answer, 1) == first && WordAt(answer, 3) == second);
        }
    }

    // The answer a board gives to a request the client sends is taken, whatever its data.
    QByteArray fitting(1, static_cast<char>(function));
    if (function == 0x03 && second >= 1 && second <= 125) {
        fitting.append(static_cast<char>(2 * second));
        for (int i = 0; i < 2 * second; ++i)
            fitting.append(i < answer.size() ? answer[i] : '\0');
    } else if (function == 0x06 || (function == 0x10 && second >= 1 && second <= 123)) {
        fitting.append(request.mid(1, 4));
    } else {
        return 0;
    }
    FUZZ_CHECK(TModbusClient::CheckAnswer(request, fitting).isEmpty());
    return 0;
}

#!/usr/bin/python3
"""A Modbus TCP server built on pymodbus, as an independent peer for the interoperability tests.

Serves holding registers 0..COUNT-1 (protocol addresses, zero_mode) with register k = 1000 + k,
on a free loopback port. Prints "port PORT" on stdout once it accepts connections and runs until
its stdin closes or it is terminated. Every unit id reaches the same register block. Exits with 3
when pymodbus cannot be imported.
"""

import asyncio
import logging
import sys
import threading

try:
    from pymodbus.datastore import (
        ModbusSequentialDataBlock,
        ModbusServerContext,
        ModbusSlaveContext,
    )
    from pymodbus.server.async_io import ModbusTcpServer
except ImportError as missing:
    # The tests skip on this exit code: pymodbus (or the serial_asyncio it imports) is missing.
    print(f"pymodbus_server: {missing}", file=sys.stderr, flush=True)
    sys.exit(3)

COUNT = 200


def value_of(address):
    return 1000 + address


async def serve():
    registers = ModbusSequentialDataBlock(0, [value_of(k) for k in range(COUNT)])
    slave = ModbusSlaveContext(hr=registers, zero_mode=True)
    context = ModbusServerContext(slaves=slave, single=True)
    server = ModbusTcpServer(context, address=("127.0.0.1", 0))
    running = asyncio.ensure_future(server.serve_forever())
    await asyncio.wait({running, server.serving}, return_when=asyncio.FIRST_COMPLETED)
    if running.done():
        running.result()  # it could not listen: raise why
        return 1
    port = server.server.sockets[0].getsockname()[1]
    print(f"port {port}", flush=True)

    # The test holds our stdin open; end of file means it is gone (or done with us).
    loop = asyncio.get_running_loop()
    stdin_closed = loop.create_future()

    def watch_stdin():
        while sys.stdin.buffer.read(4096):
            pass
        loop.call_soon_threadsafe(stdin_closed.set_result, None)

    threading.Thread(target=watch_stdin, daemon=True).start()
    await asyncio.wait({running, stdin_closed}, return_when=asyncio.FIRST_COMPLETED)
    await server.shutdown()
    running.cancel()
    return 0


def main():
    # pymodbus logs every exception answer and closed connection as an error; those are expected.
    logging.basicConfig(level=logging.CRITICAL)
    return asyncio.run(serve())


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A Modbus TCP server built on pymodbus, as an independent peer for the interoperability tests.

Serves holding registers 0..COUNT-1 (protocol addresses, zero_mode) with register k = 1000 + k,
on a free loopback port. Prints "port PORT" on stdout once it accepts connections and runs until
its stdin closes or it is terminated. Every unit id reaches the same register block. Exits with 3
when pymodbus cannot be imported.

With --image FILE it serves a register image instead: FILE is a JSON object of
{"address": value} pairs (decimal address 0..65535, value 0..65535). Exactly those registers
exist; a request touching any other is refused with exception 2, as a board refuses a register it
does not have. An image that cannot be used ends the server with exit code 2 and a message.
"""

import argparse
import asyncio
import json
import logging
import sys
import threading

try:
    from pymodbus.datastore import (
        ModbusSequentialDataBlock,
        ModbusServerContext,
        ModbusSlaveContext,
        ModbusSparseDataBlock,
    )
    from pymodbus.server.async_io import ModbusTcpServer
except ImportError as missing:
    # The tests skip on this exit code: pymodbus (or the serial_asyncio it imports) is missing.
    print(f"pymodbus_server: {missing}", file=sys.stderr, flush=True)
    sys.exit(3)

COUNT = 200


def value_of(address):
    return 1000 + address


class ImageError(Exception):
    pass


def read_image(path):
    """The {address: value} registers of an image file; ImageError says what is wrong with it."""
    try:
        with open(path, encoding="utf-8") as file:
            pairs = json.load(file)
    except (OSError, ValueError) as error:
        raise ImageError(f"cannot read the image {path}: {error}") from error
    if not isinstance(pairs, dict) or not pairs:
        raise ImageError(f"the image {path} is not a non-empty JSON object of address: value pairs")
    registers = {}
    for key, value in pairs.items():
        try:
            address = int(key, 10)
        except ValueError:
            address = -1
        if not 0 <= address <= 0xFFFF:
            raise ImageError(f"the image {path}: \"{key}\" is not a register address 0..65535")
        if isinstance(value, bool) or not isinstance(value, int) or not 0 <= value <= 0xFFFF:
            raise ImageError(f"the image {path}: register {key} = {value!r} is not a value 0..65535")
        registers[address] = value
    return registers


async def serve(image=None):
    if image is None:
        registers = ModbusSequentialDataBlock(0, [value_of(k) for k in range(COUNT)])
    else:
        # Only the addresses the image holds exist.
        registers = ModbusSparseDataBlock(image, mutable=False)
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
    parser = argparse.ArgumentParser(description="A pymodbus Modbus TCP server for the interoperability tests.")
    parser.add_argument("--image", metavar="FILE", help='serve the registers of a JSON {"address": value} file')
    arguments = parser.parse_args()
    image = None
    if arguments.image is not None:
        try:
            image = read_image(arguments.image)
        except ImageError as error:
            print(f"pymodbus_server: {error}", file=sys.stderr, flush=True)
            return 2
    # pymodbus logs every exception answer and closed connection as an error; those are expected.
    logging.basicConfig(level=logging.CRITICAL)
    return asyncio.run(serve(image))


if __name__ == "__main__":
    sys.exit(main())

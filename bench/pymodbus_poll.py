#!/usr/bin/python3
"""A Modbus master we did not write, for comparison: reads holding registers
from one slave in a loop, cycling through a list of reads, for a while and
prints how many reads were answered, as one line of JSON."""
import argparse
import json
import logging
import sys
import time

from pymodbus.client import ModbusSerialClient
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer


def reads(text):
    """"0x4700:2,0x4701:7": register and count of each read."""
    pairs = []
    for item in text.split(","):
        register, count = item.split(":")
        pairs.append((int(register, 0), int(count, 0)))
    return pairs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", required=True)
    parser.add_argument("--framer", choices=["ascii", "rtu"], default="rtu")
    parser.add_argument("--baud", type=int, default=38400)
    parser.add_argument("--unit", type=int, required=True)
    parser.add_argument("--reads", type=reads, default=reads("0x4700:2"))
    parser.add_argument("--seconds", type=float, default=10.0)
    args = parser.parse_args()
    # Importing pymodbus set up logging already.
    logging.basicConfig(level=logging.CRITICAL, force=True)

    framer = ModbusAsciiFramer if args.framer == "ascii" else ModbusRtuFramer
    # pyserial cannot set parity or 7 data bits on a pseudo-terminal.
    client = ModbusSerialClient(port=args.port, framer=framer, baudrate=args.baud, bytesize=8,
                                parity="N", stopbits=1, timeout=1, retries=0)
    if not client.connect():
        print(json.dumps({"error": "cannot open " + args.port}))
        return 1
    # The first read opens the way; it is not timed.
    register, count = args.reads[0]
    client.read_holding_registers(register, count, slave=args.unit)
    answered = failed = 0
    first_error = None
    start = time.monotonic()
    i = 0
    while time.monotonic() - start < args.seconds:
        register, count = args.reads[i]
        i = (i + 1) % len(args.reads)
        try:
            response = client.read_holding_registers(register, count, slave=args.unit)
        except Exception as error:  # pylint: disable=broad-except
            # Its framer lost step with the line now and then (in ASCII): a
            # failed read; the rest of that reply is let in and dropped.
            response = None
            first_error = first_error or repr(error)
            time.sleep(0.1)
            client.socket.reset_input_buffer()
        if response is None or response.isError():
            failed += 1
        else:
            answered += 1
    elapsed = time.monotonic() - start
    client.close()
    result = {"answered": answered, "failed": failed, "seconds": elapsed}
    if first_error:
        result["first_error"] = first_error
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main())

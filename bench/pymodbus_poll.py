#!/usr/bin/python3
"""A Modbus master we did not write, for comparison: reads holding registers
from one slave over RTU in a loop for a while and prints how many reads were
answered, as one line of JSON."""
import argparse
import json
import logging
import sys
import time

from pymodbus.client import ModbusSerialClient
from pymodbus.transaction import ModbusRtuFramer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", required=True)
    parser.add_argument("--baud", type=int, default=38400)
    parser.add_argument("--unit", type=int, required=True)
    parser.add_argument("--register", type=lambda text: int(text, 0), default=0x4700)
    parser.add_argument("--count", type=int, default=2)
    parser.add_argument("--seconds", type=float, default=10.0)
    args = parser.parse_args()
    # Importing pymodbus set up logging already.
    logging.basicConfig(level=logging.CRITICAL, force=True)

    # pyserial cannot set parity or 7 data bits on a pseudo-terminal.
    client = ModbusSerialClient(port=args.port, framer=ModbusRtuFramer, baudrate=args.baud, bytesize=8,
                                parity="N", stopbits=1, timeout=1, retries=0)
    if not client.connect():
        print(json.dumps({"error": "cannot open " + args.port}))
        return 1
    # The first read opens the way; it is not timed.
    client.read_holding_registers(args.register, args.count, slave=args.unit)
    answered = failed = 0
    start = time.monotonic()
    while time.monotonic() - start < args.seconds:
        response = client.read_holding_registers(args.register, args.count, slave=args.unit)
        if response.isError():
            failed += 1
        else:
            answered += 1
    elapsed = time.monotonic() - start
    client.close()
    print(json.dumps({"answered": answered, "failed": failed, "seconds": elapsed}))
    return 0


if __name__ == "__main__":
    sys.exit(main())

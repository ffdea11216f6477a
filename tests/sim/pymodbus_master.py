#!/usr/bin/python3
"""A Modbus master we did not write: reads and writes a slave on a serial
port and prints what it got as one line of JSON."""
import argparse
import json
import logging
import sys

from pymodbus.client import ModbusSerialClient
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer


def registers(response):
    return None if response.isError() else list(response.registers)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", required=True)
    parser.add_argument("--framer", choices=["ascii", "rtu"], required=True)
    parser.add_argument("--baud", type=int, default=9600)
    parser.add_argument("--unit", type=int, required=True)
    parser.add_argument("--value", type=int, default=777)
    args = parser.parse_args()
    # Importing pymodbus set up logging already.
    logging.basicConfig(level=logging.CRITICAL, force=True)

    framer = ModbusAsciiFramer if args.framer == "ascii" else ModbusRtuFramer
    # pyserial cannot set parity or 7 data bits on a pseudo-terminal.
    client = ModbusSerialClient(port=args.port, framer=framer, baudrate=args.baud, bytesize=8,
                                parity="N", stopbits=1, timeout=2, retries=2)
    if not client.connect():
        print(json.dumps({"error": "cannot open " + args.port}))
        return 1
    result = {}
    result["read"] = registers(client.read_holding_registers(0x4700, 2, slave=args.unit))
    result["write"] = not client.write_register(0x4701, args.value, slave=args.unit).isError()
    result["readback"] = registers(client.read_holding_registers(0x4701, 1, slave=args.unit))
    unknown = client.read_holding_registers(0x4739, 1, slave=args.unit)
    result["unknown"] = getattr(unknown, "exception_code", None)
    client.close()
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main())

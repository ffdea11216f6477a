#!/usr/bin/python3
"""A Modbus slave we did not write, serving holding registers from 0x4700
on a serial port until it is terminated."""
import argparse
import asyncio
import logging

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", required=True)
    parser.add_argument("--framer", choices=["ascii", "rtu"], required=True)
    parser.add_argument("--baud", type=int, default=9600)
    parser.add_argument("--unit", type=int, required=True)
    parser.add_argument("values", type=int, nargs="+", help="registers from 0x4700 on")
    args = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL, force=True)

    # Without zero mode, register N is kept at index N + 1.
    block = ModbusSequentialDataBlock(0x4700 + 1, [v & 0xFFFF for v in args.values])
    context = ModbusServerContext(slaves={args.unit: ModbusSlaveContext(hr=block)}, single=False)
    framer = ModbusAsciiFramer if args.framer == "ascii" else ModbusRtuFramer
    asyncio.run(StartAsyncSerialServer(context=context, framer=framer, port=args.port, baudrate=args.baud,
                                       bytesize=8, parity="N", stopbits=1))


if __name__ == "__main__":
    main()

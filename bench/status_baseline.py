#!/usr/bin/python3
"""The floor kx-bench --ctl holds `kx-ctl status` to: a one-shot script that opens the
line, asks the generator the eight questions of kx-ctl status, each read to its CR,
and prints the answers. With Debian's python3-serial it uses pyserial; without it,
the standard library's termios.

    status_baseline.py DEVICE
"""
import os
import select
import sys
import termios

QUERIES = [b"FUNC?", b"FREQ?", b"AMPL?", b"OFFS?", b"MODE?", b"SWE?", b"MODUL?", b"OUT?"]


def with_pyserial(device):
    import serial

    port = serial.Serial(device, 115200, timeout=1)
    answers = []
    for query in QUERIES:
        port.write(query + b"\r")
        answers.append(port.read_until(b"\r"))
    port.close()
    return answers


def with_termios(device):
    fd = os.open(device, os.O_RDWR | os.O_NOCTTY)
    attrs = termios.tcgetattr(fd)
    attrs[0] = 0  # iflag
    attrs[1] = 0  # oflag
    attrs[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
    attrs[3] = 0  # lflag: raw
    attrs[4] = attrs[5] = termios.B115200
    termios.tcsetattr(fd, termios.TCSANOW, attrs)
    answers = []
    for query in QUERIES:
        os.write(fd, query + b"\r")
        answer = b""
        while not answer.endswith(b"\r"):
            if not select.select([fd], [], [], 1.0)[0]:
                break
            answer += os.read(fd, 64)
        answers.append(answer)
    os.close(fd)
    return answers


def main():
    try:
        import serial  # noqa: F401

        ask = with_pyserial
    except ImportError:
        ask = with_termios
    answers = ask(sys.argv[1])
    sys.stdout.write(" ".join(a.decode("ascii", "replace").strip() for a in answers) + "\n")
    return 0 if all(a.endswith(b"\r") for a in answers) else 4


if __name__ == "__main__":
    sys.exit(main())

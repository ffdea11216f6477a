// A Modbus master we did not write, for comparison: reads holding registers
// from one slave over RTU through libmodbus, cycling through a list of
// reads for a while, and prints how many were answered as one line of JSON
// (as pymodbus_poll.py does).
//
// usage: libmodbus_poll --port PATH --unit N [--baud 38400]
//                       [--reads 0x4700:2,0x4701:7,...] [--seconds 10]
// libmodbus speaks RTU only. The line is 8N1: a pseudo-terminal keeps no
// even parity.
#include <modbus.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int MaxReads = 1024;

double NowSeconds()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// "0x4700:2,0x4701:7": register and count of each read.
int ParseReads(const char *text, int *registers, int *counts)
{
    int n = 0;
    const char *p = text;
    while (*p && n < MaxReads) {
        char *end = NULL;
        const long reg = strtol(p, &end, 0);
        if (end == p || *end != ':')
            return -1;
        p = end + 1;
        const long count = strtol(p, &end, 0);
        if (end == p || reg < 0 || reg > 0xFFFF || count < 1 || count > 125)
            return -1;
        registers[n] = static_cast<int>(reg);
        counts[n] = static_cast<int>(count);
        ++n;
        p = end;
        if (*p == ',')
            ++p;
        else if (*p)
            return -1;
    }
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    const char *port = NULL;
    const char *reads = "0x4700:2";
    int unit = -1;
    int baud = 38400;
    double seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--port") == 0)
            port = argv[i + 1];
        else if (strcmp(argv[i], "--unit") == 0)
            unit = atoi(argv[i + 1]);
        else if (strcmp(argv[i], "--baud") == 0)
            baud = atoi(argv[i + 1]);
        else if (strcmp(argv[i], "--reads") == 0)
            reads = argv[i + 1];
        else if (strcmp(argv[i], "--seconds") == 0)
            seconds = atof(argv[i + 1]);
    }
    static int registers[MaxReads], counts[MaxReads];
    const int n = ParseReads(reads, registers, counts);
    if (!port || unit < 1 || unit > 247 || n <= 0) {
        fprintf(stderr, "usage: libmodbus_poll --port PATH --unit N [--baud B] [--reads R:C,...] [--seconds S]\n");
        return 2;
    }

    modbus_t *ctx = modbus_new_rtu(port, baud, 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, unit) != 0 || modbus_connect(ctx) != 0) {
        printf("{\"error\": \"cannot open %s: %s\"}\n", port, modbus_strerror(errno));
        if (ctx)
            modbus_free(ctx);
        return 1;
    }
    modbus_set_response_timeout(ctx, 1, 0);
    uint16_t words[125];
    // The first read opens the way; it is not timed.
    modbus_read_registers(ctx, registers[0], counts[0], words);
    long answered = 0, failed = 0;
    const double start = NowSeconds();
    double elapsed = 0;
    for (int i = 0; (elapsed = NowSeconds() - start) < seconds; i = (i + 1) % n) {
        if (modbus_read_registers(ctx, registers[i], counts[i], words) == counts[i])
            ++answered;
        else
            ++failed;
    }
    modbus_close(ctx);
    modbus_free(ctx);
    printf("{\"answered\": %ld, \"failed\": %ld, \"seconds\": %.6f}\n", answered, failed, elapsed);
    return 0;
}

#include "HelpText.h"

namespace tvxsim {

std::string helpText() {
    return R"(Usage: tvxsim --link PATH [options]
       tvxsim --write-log FILE [--seconds N] [engine options]

A virtual Torvex device on a pseudo-terminal. It makes PATH a symlink to the
terminal's serial end (replacing an existing symlink, never another file),
prints that serial path as the first line of stdout, and serves the device's
protocol until SIGTERM or SIGINT, when it removes the symlink and exits 0.
Clients may open and close PATH as often as they like.

Commands it obeys (anything else is ignored):
  <201>               stop streaming live records
  <121>               send the table reply
  <255>               start streaming live records
  <241> <242> <243>   set the intake type to 1, 2 or 3
  <234,I:V>           set VE cell I (0-399) to V (-32768..32767); decimal,
                      no leading zeros, no plus sign

What it sends:
  table reply   441 comma-separated integers: 400 VE cells (cell index =
                pressure index * 20 + rpm index), 20 RPM breakpoints in
                hundreds of RPM, 20 pressure breakpoints in absolute PSI,
                the intake type; followed by the terminator.
  live record   255,PRESSURE_ABS_PSI,RPM,TEMP_F,WB1,AIRFLOW,WB2 followed by
                the terminator; AIRFLOW is volts, or Hz with intake type 3.
                Numbers have at most 2 decimals (a replay sends the
                log's own digits).

Options:
  --link PATH           symlink to create (required unless --write-log)
  --write-log FILE      run the engine and its drive as fast as the machine
                        allows, without a line, and write the log the
                        window's Record would have written (.msl, .csv or
                        .mlg, --rate records a second, max: 500) with the table
                        kept beside it (FILE's name .table.json); a file of
                        either name is refused
  --seconds N           how long a drive --write-log writes (default 600)
  --vet FILE            take the 400 VE cells from a .vet file (byte k is
                        cell k, unsigned; bytes after 400 are ignored)
  --intake N            intake type reported before any <24x> (default 1)
  --rate N|max          records per second while streaming (default 50);
                        max sends the next record as soon as the line has
                        taken the previous one
  --terminator T        after each record and reply: comma (default, records
                        run together), crlf, or none
  --split S             how output is cut into writes: none (default),
                        random (random chunks with pauses of up to 3 ms), or
                        byte (one write per byte)
  --garbage P           with probability P per record, insert 1-8 random
                        non-NUL bytes somewhere in it
  --nul                 with probability 0.1 per record, insert 1-3 NUL bytes
  --long-field N        with probability 0.05 per record, replace one value
                        field with N digits
  --truncate-reply      send every table reply cut short at a random point,
                        without its terminator
  --stall-after N       after N records send nothing more (no records, no
                        replies) but keep reading and logging commands
  --hangup-after N      hang up after the Nth record has been sent: close the
                        terminal, remove the symlink and exit 0
  --hangup-after reply  hang up part way through the first table reply
  --log FILE            append every message received, one per line, exactly
                        as received; anything ignored is logged as a line
                        starting "# ignored: " with unprintable bytes as \xNN
  --sent-log FILE       append every record and reply as generated, before
                        any fault is injected, one per line
  --reply-file FILE     answer <121> with FILE's bytes exactly, nothing added
                        (hostile replies: huge numbers, NaN, missing fields)
  --stream-file FILE    while streaming, send FILE's bytes exactly in place of
                        each live record (a stream with no comma, random bytes
                        as from a wrong baud rate)
  --replay LOG          stream the rows of a datalog (.msl, .csv or .mlg, as
                        the program records them) instead of the engine model, at
                        their recorded spacing; each value is sent as the log
                        printed it. <201> pauses, the next <255> resumes at the
                        next row; after the last row the stream falls silent
  --speed X             replay X times as fast as recorded (default 1; 0.001 to 1000)
  --loop                replay from the first row again after the last

The engine (while not replaying): the device fuels for a target air/fuel
ratio by its own VE table; the engine breathes by a true VE. Both tables are
interpolated bilinearly on the device's breakpoints (RPM / 100 against the RPM
breakpoints, absolute PSI against the pressure breakpoints, held at the edges),
so the exhaust reads
  AFR = target x true VE / device VE x enrichment
where a device cell of 0 or below fuels as for VE 1, and the enrichment is 1
except: below 160 F warm-up fuel, 1 / (1 + 0.4 x (160 - T) / 80) with T no
lower than 80; for 0.5 s after manifold pressure rises faster than 10 PSI/s,
15% more fuel (1 / 1.15), or with --accel fade that extra fading by e every
0.5 s from then on; with the throttle shut above 1500 RPM no fuel at
all. The exhaust made at a moment reaches the widebands
  MS + FLOW_MS x (1000 / RPM) x (14.7 / MAP)
milliseconds later (--wideband-lag MS,FLOW_MS; RPM and absolute MAP as the
exhaust was made, RPM no lower than 300, the whole at most 2 s); they read it
through a 60 ms first-order response (--sensor-ms), with noise of at most 0.05
(--noise); bank 2
wanders up to 0.3 from bank 1; both read 9.0 to 20.0, a fuel cut 20.0. A cell
write counts from the next record on. The engine starts cold (70-80 F) and warms towards
185-205 F (time constant 40 s).
  --true-ve FILE        the true VE: a .vet (on the device's breakpoints),
                        .csv or .json table file (default: the device's own
                        starting table, so an untouched device reads on
                        target)
  --target AFR|FILE     the target: one air/fuel ratio for every cell, or a
                        .csv grid with at most one decimal (default: 14.2
                        where the RPM breakpoint is below 1000 RPM; elsewhere
                        14.7 up to atmosphere, 14.67 PSI absolute, falling in
                        a straight line to 11.8 at 15 PSI of boost)
  --wideband-lag MS[,FLOW_MS]
                        the wideband's transport delay: MS, and FLOW_MS more
                        at 1000 RPM and atmosphere, growing as the exhaust's
                        flow falls (default 150, no flow part)
  --warm                start warm, at 180 F
  --drive NAME          mixed (default): random idle, cruise, boost and
                        overrun; sweep: every reachable cell of the lattice
                        held in turn, rows of rising pressure swept across
                        RPM (pressure never rising faster than 4 PSI/s, the
                        throttle never shut), then again: one pass of the
                        default lattice takes about 100 s; jumps: a move to a
                        random point the engine can reach (the pressure in
                        0.3 s, the revs at 2500 RPM/s), held 2 to 6 s, one
                        in ten an overrun with the throttle shut;
                        hold:RPM,PSI: one operating point
                        (800-6500 RPM, 5-30 PSI absolute)
  --sensor-ms MS        the widebands' response time constant (default 60,
                        the model the analysis states)
  --noise AFR           the widebands' noise at most, either way (default
                        0.05)
  --accel step|fade     acceleration fuel that stops after 0.5 s (step, the
                        default) or fades

  --seed N              seed for the engine model and the faults (default:
                        random, printed on stderr)
  -h, --help            show this text
      --version         print the version
)";
}

} // namespace tvxsim

# Loaded first by every Python of the benchmark's modules (as sitecustomize,
# from PYTHONPATH): counts each write the package sends to a monitor, a line
# per write in $VEMO_BENCH_WRITES, so that the count does not rest on what the
# modules report.
import os

_log = os.environ.get("VEMO_BENCH_WRITES")
if _log:
    from vemo import _direct

    def _counted(send):
        def counted(channel, *args):
            with open(_log, "a") as log:
                log.write("%s %s\n" % (os.environ.get("VEMO_SIM_STATE", ""), send.__name__))
            return send(channel, *args)

        return counted

    _direct.DirectChannel.write = _counted(_direct.DirectChannel.write)
    _direct.DirectChannel.write_custom_color = _counted(_direct.DirectChannel.write_custom_color)

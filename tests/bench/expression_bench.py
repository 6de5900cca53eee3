# The four expressions of the expression benchmark in numpy, over the same two channels of 10
# million samples (interval 0.1 ms; TIME in seconds): the best of a few runs of each, and the sum
# of its results beside the program's.
import time
import numpy as np

n = 10_000_000
i = np.arange(n, dtype=np.float64)
ch1 = np.sin(i * 0.01) + 2.0
ch2 = np.cos(i * 0.013) + 2.0
interval_ms = 0.1

cases = [
    ("CH1*2+1", lambda: ch1 * 2 + 1),
    ("SQRT(SQR(CH1)+SQR(CH2))", lambda: np.sqrt(ch1 * ch1 + ch2 * ch2)),
    ("(CH1-CH2)/(CH1+CH2)*100", lambda: (ch1 - ch2) / (ch1 + ch2) * 100),
    ("LOG10(ABS(CH1))*20-TIME", lambda: np.log10(np.abs(ch1)) * 20 - np.arange(n) * interval_ms / 1000.0),
]
for number, (text, run) in enumerate(cases, 1):
    best = 1e30
    for _ in range(5):
        start = time.perf_counter()
        out = run()
        best = min(best, time.perf_counter() - start)
    print("%-26s %8.4f s   (sum %.9g)" % (text, best, np.sum(out)))
    print("numpy_expression%d_s %.5f" % (number, best))

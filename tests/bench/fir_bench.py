# The FIR benchmark's other side: the same 1,001-tap low pass over the same 10 million samples
# with scipy.signal, lfilter and fftconvolve, the best of a few runs each; the ends repeated as
# the program does, so the three samples printed can be compared.
import time
import numpy as np
from scipy import signal

n, taps, runs = 10_000_000, 1001, 3
i = np.arange(n, dtype=np.float64)
x = np.sin(0.001 * i) + 0.5 * np.sin(0.37 * i) + (np.arange(n) % 1000) / 1000.0
half = taps // 2
k = np.arange(-half, half + 1, dtype=np.float64)
w1, pi = 6.283185307 * 0.05, 3.1415926535
with np.errstate(invalid="ignore", divide="ignore"):
    h = np.where(k == 0, w1 / pi, np.sin(k * w1) / (k * pi))
h *= 0.54 - 0.46 * np.cos(6.283185307 * np.arange(taps) / taps)


def best(f):
    t = 1e30
    for _ in range(runs):
        t0 = time.perf_counter()
        out = f()
        t = min(t, time.perf_counter() - t0)
    return t, out


def by_fft():
    padded = np.concatenate((np.full(half, x[0]), x, np.full(half, x[-1])))
    return signal.fftconvolve(padded, h, mode="valid")


t_fft, y = best(by_fft)
t_lfilter, _ = best(lambda: signal.lfilter(h, [1.0], x))
print("scipy_fftconvolve_s %.4f" % t_fft)
print("scipy_lfilter_s %.4f" % t_lfilter)
print("scipy_best_s %.4f" % min(t_fft, t_lfilter))
print("samples %.9f %.9f %.9f" % (y[0], y[n // 2], y[n - 1]))

"""Times Pillow's Image.reduce(FACTOR) on one picture for the resampler benchmark.

Usage: pillow_reduce.py IN OUT FACTOR ROUNDS REPEATS
Prints the median milliseconds per reduction, as processor time of this thread and as elapsed
time, and writes the reduced picture to OUT.
"""
import sys
import time

from PIL import Image


def main():
    source, target, factor, rounds, repeats = sys.argv[1:6]
    factor, rounds, repeats = int(factor), int(rounds), int(repeats)
    picture = Image.open(source).convert("RGB")
    picture.load()
    result = picture.reduce(factor)
    cpu, wall = [], []
    for _ in range(rounds):
        cpu_start, wall_start = time.thread_time_ns(), time.perf_counter_ns()
        for _ in range(repeats):
            result = picture.reduce(factor)
        cpu.append((time.thread_time_ns() - cpu_start) / 1e6 / repeats)
        wall.append((time.perf_counter_ns() - wall_start) / 1e6 / repeats)
    cpu.sort()
    wall.sort()
    result.save(target)
    print(f"{cpu[len(cpu) // 2]:.6f} {wall[len(wall) // 2]:.6f}")


if __name__ == "__main__":
    main()

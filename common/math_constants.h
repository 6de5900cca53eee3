// Numbers every deliverable computes with, written once.
#pragma once

constexpr double kPi = 3.14159265358979323846;

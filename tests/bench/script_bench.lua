-- The script benchmark's loop in Lua 5.4: the same 100,000 statements on global variables, as
-- the lesson's variables are; the best of a few runs.
local turns, perTurn, runs = 20000, 5, 5
local best = math.huge
for _ = 1, runs do
  A, B, C = 0, 0, 0
  local t0 = os.clock()
  for i = 1, turns do
    A = A + i * 2
    B = A / 3 - i
    if B > A then
      C = 1
    end
  end
  local t = os.clock() - t0
  if t < best then best = t end
end
local statements = turns * perTurn
print(string.format("lua loop: %d statements in %.2f ms, %.0f statements/s", statements, best * 1000, statements / best))
print(string.format("lua_statements_per_s %.0f", statements / best))

-- The one-statement loop: a turn that is only its body, on a global as the lesson's S is.
local sumTurns = 100000
best = math.huge
for _ = 1, runs do
  S = 0
  local t0 = os.clock()
  for i = 1, sumTurns do
    S = S + i
  end
  local t = os.clock() - t0
  if t < best then best = t end
end
print(string.format("lua one-statement loop: %d turns in %.3f ms", sumTurns, best * 1000))
print(string.format("lua_sum_loop_ms %.4f", best * 1000))

-- Lua twin of workloads.gs: the same computations, the same checksums.
-- Usage: lua5.4 workloads.lua NAME ARG REPS -> "checksum seconds"

local function loop(n)
  local acc = 0
  for i = 0, n - 1 do
    acc = ((acc ~ (i << 3)) + (i >> 2)) & 1048575
  end
  return acc
end

local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end

local function strings(n)
  local s = ""
  local found = 0
  for i = 0, n - 1 do
    s = s .. "ab" .. i
    local at = string.find(s, "9", 1, true)
    found = found + (at and at - 1 or -1)
  end
  return found + #s
end

local function arrays(n)
  local a = {}
  for i = 0, n - 1 do a[#a + 1] = i end
  local total = 0
  for i = 1, n do total = (total + a[i]) & 1048575 end
  return total
end

local Shape = {}
Shape.__index = Shape
function Shape.new() return setmetatable({edge = 1}, Shape) end
function Shape:area() return self.edge end
local Square = setmetatable({}, {__index = Shape})
Square.__index = Square
function Square.new() return setmetatable({edge = 1, tag = 3}, Square) end
function Square:area() return self.edge * self.edge + self.tag end

local function objects(n)
  local total = 0
  for i = 0, n - 1 do
    local s
    if i & 1 ~= 0 then s = Square.new() else s = Shape.new() end
    s.edge = i & 7
    total = total + s:area()
  end
  return total
end

-- Two coroutines hand a ball back and forth n times.
local function pingpong(n)
  local pings = 0
  local a = coroutine.wrap(function() while true do pings = pings + 1; coroutine.yield() end end)
  local b = coroutine.wrap(function() while true do pings = pings + 1; coroutine.yield() end end)
  for _ = 1, n do a(); b() end
  return pings
end

local workloads = {loop = loop, fib = fib, strings = strings, arrays = arrays, objects = objects,
                   pingpong = pingpong, empty = function() return 0 end}
local name, arg, reps = arg[1], tonumber(arg[2]), tonumber(arg[3])
local f = workloads[name]
local result = 0
local start = os.clock()
for _ = 1, reps do result = f(arg) end
print(string.format("%d %.9f", result, os.clock() - start))

"""What a trace holds, read from its text without the project's reader.

The browser tests compare the page against these facts, so they are found
by a path of their own: a plain walk over the lines that knows the handful
of statements the test traces and the bounded generator use. Every stamped
statement is one event, in the order of the lines, and so is every `NT`; instances are counted
from their creation (`NI`, or a message to an unknown receiver) to their
deletion (`DI`, or `DA` and `NT`, taken as deleting every live one).
"""

from dataclasses import dataclass, field
import re

# Statements that make one stamped event each.
STAMPED = {"NI", "ME", "MR", "MC", "DI", "DA", "AC", "SA", "SY", "NO", "GL", "TI",
           "LS", "LE", "ET", "GA", "GS"}


@dataclass
class Event:
    index: int
    opcode: str
    time: int
    label: str = ""
    line: int = 0  # counted from 1


@dataclass
class TraceFacts:
    events: list = field(default_factory=list)
    instances_created: int = 0
    most_alive: int = 0

    def first_event_at_or_after(self, time):
        return next(event for event in self.events if event.time >= time)

    def first_event_from_line(self, line):
        """The first event read from line `line` on, or None."""
        return next((event for event in self.events if event.line >= line), None)

    def events_labelled(self, text):
        return [event for event in self.events if text in event.label]


def _numbers(operands):
    return [int(word) for word in operands.split() if word.isdigit()]


def _clock_value(operands):
    high, *rest = _numbers(operands)
    return (high << 32) | rest[0] if rest else high


def read_trace_facts(path):
    facts = TraceFacts()
    message_names = {}
    alive = set()
    modelless = set()  # made by a message; their NI only gives them a model
    time, step = 0, 0
    with open(path, encoding="utf-8") as lines:
        for line_number, line in enumerate(lines, start=1):
            opcode, operands = line[:2], line[2:].strip()
            if opcode == "MS":
                number, name = re.match(r'(\d+)\s+"(.*)"', operands).groups()
                message_names[int(number)] = name
                continue
            if opcode == "TM":
                time = _clock_value(operands)
                continue
            if opcode == "TS":
                step = _clock_value(operands)
                continue
            if opcode == "NT":
                # A new trace: its marker is an event (the page's boundary).
                alive.clear()
                modelless.clear()
                facts.events.append(Event(len(facts.events), opcode, time, "", line_number))
                continue
            if opcode not in STAMPED:
                continue
            numbers = _numbers(operands)
            label = ""
            if opcode == "NI":
                instance = numbers[1]
                if instance in modelless:
                    modelless.discard(instance)
                elif instance in alive:
                    continue  # a change of model, not stamped
                else:
                    alive.add(instance)
                    facts.instances_created += 1
            elif opcode == "ME":
                label = message_names.get(numbers[0], "")
                receiver = numbers[1]
                if receiver and receiver not in alive:
                    alive.add(receiver)
                    modelless.add(receiver)
                    facts.instances_created += 1
            elif opcode == "MR" and numbers:
                label = message_names.get(numbers[0], "")
            elif opcode == "DI":
                alive.discard(numbers[0])
                modelless.discard(numbers[0])
            elif opcode == "DA":
                alive.clear()
                modelless.clear()
            facts.most_alive = max(facts.most_alive, len(alive))
            facts.events.append(Event(len(facts.events), opcode, time, label, line_number))
            time += step
    return facts

"""The requests a board page may send its session, and their checks.

A request is a JSON object: {"session": id, "action": name, fields...} (the
server finds the session by its id). `parse_action` accepts only the actions below
with exactly their fields, each of the right type; whether the game can take
the request (a free cell, the side to move, a size in range) is the
session's and the game's to judge. Either way a refusal is a Refused whose
text is meant for the person and whose status is the HTTP answer's.
"""

from game import is_int

PERSON, ENGINE = "person", "engine"
MIN_TIME_MS, MAX_TIME_MS = 50, 600000


class Refused(Exception):
    """A request the session does not carry out; the text is for the person."""

    def __init__(self, message, status=409):
        super().__init__(message)
        self.status = status


def _side(value):
    if value not in (PERSON, ENGINE):
        raise Refused("a side is played by 'person' or 'engine'", 400)
    return value


def _whole(value):
    if not is_int(value):
        raise Refused("a whole number was expected", 400)
    return value


def _text(value):
    if not isinstance(value, str):
        raise Refused("text was expected", 400)
    return value


def _list(value):
    if not isinstance(value, list):
        raise Refused("a list was expected", 400)
    return value


# The requests a page may make, with the type of each field.
ACTIONS = {
    "new": {"size": _whole, "rule": _whole, "black": _side, "white": _side, "time_ms": _whole},
    "move": {"x": _whole, "y": _whole},
    "undo": {},
    "stop": {},
    "analyse": {},
    "nbest": {"count": _whole},
    "sides": {"black": _side, "white": _side},
    "time": {"time_ms": _whole},
    "setup": {"black": _list, "white": _list},
    "load": {"text": _text},
}


def parse_action(payload):
    """(name, fields) of a request, or Refused (status 400) naming its fault."""
    if not isinstance(payload, dict):
        raise Refused("a request is a JSON object", 400)
    name = payload.get("action")
    if not isinstance(name, str) or name not in ACTIONS:
        raise Refused("unknown request %r" % (name if isinstance(name, str) else type(name).__name__), 400)
    fields = ACTIONS[name]
    extra = sorted(set(payload) - set(fields) - {"action", "session"})
    if extra:
        raise Refused("unexpected field %r in %s" % (extra[0], name), 400)
    values = {}
    for field, check in fields.items():
        if field not in payload:
            raise Refused("%s needs the field %r" % (name, field), 400)
        try:
            values[field] = check(payload[field])
        except Refused as refused:
            raise Refused("%s: %s: %s" % (name, field, refused), 400)
    return name, values


def check_time(ms):
    if not MIN_TIME_MS <= ms <= MAX_TIME_MS:
        raise Refused("the time per move must lie between %d ms and %d ms" % (MIN_TIME_MS, MAX_TIME_MS), 400)
    return ms

"""The OSL clerk: shader-group text for renderers of the Open Shading Language.

A shader node becomes the parameter lines of its non-default parameters followed by the shader
line, the form such renderers read a shader group in:

    param float Kd 0.5 ;
    param color Cs 1 0 0 ;
    shader plastic red ;
"""
import host

_SERVED = ("surface", "displace", "light", "coshader")


def getName():
    return "OSL"


def getLabel():
    return "OSL"


def getKeywords():
    return "OSL"


def isVexClerk():
    return False


def shaderSupported(shadertype):
    return shadertype in _SERVED


def creationScript(shadertype):
    # Found as scripts/shop/<name> along the host's search path.
    if shadertype == "surface":
        return "osl_surface.py"
    return None


def addToRenderMask(shadertype):
    # Shaders name the renderers they serve in their render masks; a shader written for other
    # renderers is no OSL shader.
    return False


def _tripleType(name):
    # The host does not tell a colour from a direction, so the conventional names decide.
    lower = name.lower()
    if "color" in lower or "colour" in lower or "tint" in lower:
        return "color"
    if name.startswith("C") and len(name) <= 2:
        return "color"
    if name == "P" or lower.endswith("pos") or lower.endswith("position"):
        return "point"
    if name == "N" or "normal" in lower:
        return "normal"
    return "vector"


def _kindOf(name, values):
    if values and all(isinstance(v, str) for v in values):
        base = "string"
    elif values and all(isinstance(v, (bool, int)) for v in values):
        base = "int"
    elif values and all(isinstance(v, (bool, int, float)) for v in values):
        base = "float"
    else:
        return None
    if base == "float" and len(values) == 3:
        return _tripleType(name)
    if len(values) == 1:
        return base
    return "%s[%d]" % (base, len(values))


def _coerce(kind, values):
    """The override's values in the parameter's kind, or None when they do not fit."""
    base = kind.split("[")[0]
    try:
        if base == "string":
            return [v if isinstance(v, str) else _number(v, None) for v in values]
        if base == "int":
            return [int(float(v)) for v in values]
        return [float(v) for v in values]
    except (TypeError, ValueError):
        return None


def _precision(overrides):
    """The significant digits the caller asked for ("qelo_precision"), or None for all."""
    try:
        digits = int(float(overrides["qelo_precision"]))
    except (KeyError, TypeError, ValueError, OverflowError):
        return None
    # As the compiled clerks read it, a negative count is no count: 6 digits.
    return 6 if digits < 0 else digits


def _number(value, precision):
    if isinstance(value, float):
        if precision is not None:
            return "%.*g" % (precision, value)
        if value.is_integer() and abs(value) < 1e15:
            return str(int(value))
        return repr(value)
    return str(int(value))


def _quote(text):
    escaped = (text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n")
               .replace("\t", "\\t").replace("\r", "\\r"))
    return '"' + escaped + '"'


def _valuesText(kind, values, precision):
    if kind.startswith("string"):
        return " ".join(_quote(v) for v in values)
    return " ".join(_number(v, precision) for v in values)


# An override is matched by the parameter name; a vector overridden per channel is not.
def _parmLine(node, name, time, overrides):
    parm = node.parm(name)
    values = list(parm.evalAll(time)) if parm is not None else None
    kind = _kindOf(name, values) if values is not None else None
    if name in overrides:
        override = overrides[name]
        given = list(override) if isinstance(override, (list, tuple)) else [override]
        fitted = _coerce(kind, given) if kind and len(given) == len(values) else None
        if fitted is None:
            kind = _kindOf(name, given)
            fitted = given
        values = fitted
    if kind is None:
        return None
    return "param %s %s %s ;" % (kind, name, _valuesText(kind, values, _precision(overrides)))


def buildShaderString(shadertype, path, time, parms, overrides):
    node = host.node(path)
    if node is None:
        raise ValueError("No node '%s'" % path)
    lines = []
    for name in parms:
        line = _parmLine(node, name, time, overrides)
        if line:
            lines.append(line)
    lines.append("shader %s %s ;" % (node.type(), node.name()))
    return "\n".join(lines)

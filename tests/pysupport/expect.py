"""The tests' own assertion: unlike the assert statement, it still checks under python3 -O."""


def expect(condition, message=None):
    """Raises AssertionError (with the message, when given) unless condition holds."""
    if not condition:
        raise AssertionError() if message is None else AssertionError(message)

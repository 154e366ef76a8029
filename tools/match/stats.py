"""Result arithmetic of a match: score, Elo difference, error bar, SPRT.

Elo differences use the logistic model: a player who scores s on average is
-400 * log10(1/s - 1) Elo above its opponent.

The sequential test is the normal approximation of the per-game scores
(1 for a win, 1/2 for a draw, 0 for a loss). With n games, their total score
X and the variance v of one game's score (from the games played), the
log-likelihood ratio of "the Elo difference is elo1" against "it is elo0" is

    LLR = (s1 - s0) * (2 X - n (s0 + s1)) / (2 v)

where s0 and s1 are the expected scores of elo0 and elo1. The test accepts
H1 (elo1) once LLR >= log((1 - beta) / alpha) and H0 (elo0) once
LLR <= log(beta / (1 - alpha)).
"""

import math

# The two-sided 95% quantile of the normal distribution.
Z95 = 1.959963984540054


def score(wins, losses, draws):
    """Average score per game, draws counting one half."""
    games = wins + losses + draws
    if games == 0:
        raise ValueError("no games")
    return (wins + 0.5 * draws) / games


def elo_of_score(s):
    """The Elo difference of an average score (infinite at 0 and 1)."""
    if s <= 0.0:
        return -math.inf
    if s >= 1.0:
        return math.inf
    return -400.0 * math.log10(1.0 / s - 1.0)


def score_of_elo(elo):
    """The expected score of an Elo difference."""
    return 1.0 / (1.0 + 10.0 ** (-elo / 400.0))


def score_variance(wins, losses, draws):
    """Variance of one game's score, from the games played."""
    games = wins + losses + draws
    s = score(wins, losses, draws)
    return (wins * (1.0 - s) ** 2 + draws * (0.5 - s) ** 2 + losses * s ** 2) / games


def elo_with_error(wins, losses, draws, z=Z95):
    """(Elo difference, half-width of its 95% interval).

    The interval is that of the average score, mean +/- z standard errors,
    carried over to Elo; the half-width is half the Elo interval's width."""
    s = score(wins, losses, draws)
    games = wins + losses + draws
    stderr = math.sqrt(score_variance(wins, losses, draws) / games)
    low = elo_of_score(s - z * stderr)
    high = elo_of_score(s + z * stderr)
    if math.isinf(low) or math.isinf(high):
        return elo_of_score(s), math.inf
    return elo_of_score(s), (high - low) / 2.0


def likelihood_of_superiority(wins, losses):
    """Probability that the first player is the stronger (draws ignored)."""
    if wins + losses == 0:
        return 0.5
    return 0.5 * (1.0 + math.erf((wins - losses) / math.sqrt(2.0 * (wins + losses))))


def sprt_bounds(alpha=0.05, beta=0.05):
    """(lower, upper) bounds of the log-likelihood ratio."""
    if not (0.0 < alpha < 1.0 and 0.0 < beta < 1.0):
        raise ValueError("alpha and beta must lie strictly between 0 and 1")
    return math.log(beta / (1.0 - alpha)), math.log((1.0 - beta) / alpha)


def sprt_llr(wins, losses, draws, elo0, elo1):
    """Log-likelihood ratio of elo1 against elo0 (normal approximation).

    Zero while there are no games or every game had the same score, since the
    variance is then unknown."""
    games = wins + losses + draws
    if games == 0:
        return 0.0
    variance = score_variance(wins, losses, draws)
    if variance <= 0.0:
        return 0.0
    s0 = score_of_elo(elo0)
    s1 = score_of_elo(elo1)
    total = wins + 0.5 * draws
    return (s1 - s0) * (2.0 * total - games * (s0 + s1)) / (2.0 * variance)


def sprt_verdict(llr, bounds):
    """'H1' when the ratio reached the upper bound, 'H0' the lower, else None."""
    lower, upper = bounds
    if llr >= upper:
        return "H1"
    if llr <= lower:
        return "H0"
    return None


def format_elo(value):
    if math.isinf(value):
        return "+inf" if value > 0 else "-inf"
    text = "%.1f" % value
    return "0.0" if text == "-0.0" else text

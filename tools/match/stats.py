"""Result arithmetic of a match: score, Elo difference, error bar, SPRT.

Elo differences use the logistic model: a player who scores s on average is
-400 * log10(1/s - 1) Elo above its opponent.

The sequential test is a generalized SPRT on the trinomial model: each game
is a win, a draw or a loss with probabilities (pw, pd, pl), whose expected
score pw + pd/2 is s0 under H0 (the Elo difference is elo0) and s1 under H1
(it is elo1), the draw rate being left free. The log-likelihood ratio is

    LLR = max L(p | score s1) - max L(p | score s0),
    L(p) = W log pw + D log pd + L log pl,

each maximum taken over every (pw, pd, pl) with that expected score. With
pd = t, pw = s - t/2 and pl = 1 - s - t/2 the maximum is over one variable
t in [0, 2 min(s, 1 - s)], where L is concave: it is found by bisection on the
derivative. Without draws this is Wald's test on wins and losses,
W log(s1/s0) + L log((1 - s1)/(1 - s0)). The test accepts H1 once
LLR >= log((1 - beta) / alpha) and H0 once LLR <= log(beta / (1 - alpha)).
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


def _term(count, probability):
    """count * log(probability), with 0 * log 0 = 0."""
    if count == 0:
        return 0.0
    if probability <= 0.0:
        return -math.inf
    return count * math.log(probability)


def trinomial_log_likelihood(wins, losses, draws, expected):
    """Largest log-likelihood of the results over the trinomial models whose
    expected score is `expected` (0 < expected < 1), and its draw rate.

    Returns (log-likelihood, draw probability)."""
    if not 0.0 < expected < 1.0:
        raise ValueError("the expected score must lie strictly between 0 and 1")
    top = 2.0 * min(expected, 1.0 - expected)

    def value(t):
        return (_term(wins, expected - t / 2.0) + _term(draws, t)
                + _term(losses, 1.0 - expected - t / 2.0))

    def slope(t):
        result = 0.0
        if draws:
            result += draws / t
        if wins:
            result -= wins / (2.0 * (expected - t / 2.0))
        if losses:
            result -= losses / (2.0 * (1.0 - expected - t / 2.0))
        return result

    if draws == 0:
        best = 0.0                       # the likelihood only falls with t
    else:
        low, high = 0.0, top
        # The slope is +inf at 0; if it is still positive next to the top
        # the maximum is at the top, else it is where the slope is zero.
        edge = top * (1.0 - 1e-12)
        if slope(edge) >= 0.0:
            best = top
        else:
            for _ in range(200):
                middle = (low + high) / 2.0
                if middle <= 0.0 or slope(middle) > 0.0:
                    low = middle
                else:
                    high = middle
            best = (low + high) / 2.0
    return value(best), best


def sprt_llr(wins, losses, draws, elo0, elo1):
    """Log-likelihood ratio of elo1 against elo0 (trinomial model)."""
    if wins + losses + draws == 0:
        return 0.0
    high, _ = trinomial_log_likelihood(wins, losses, draws, score_of_elo(elo1))
    low, _ = trinomial_log_likelihood(wins, losses, draws, score_of_elo(elo0))
    return high - low


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
